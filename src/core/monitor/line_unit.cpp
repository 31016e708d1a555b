// SPDX-License-Identifier: MIT
#include "line_unit.h"

namespace kvt::monitor {

const char* KindName(UnitKind k) {
  switch (k) {
    case UnitKind::Command: return "command";
    case UnitKind::Reply: return "reply";
    case UnitKind::Ack: return "ack";
    case UnitKind::Nak: return "nak";
    case UnitKind::Eot: return "eot";
    case UnitKind::Enq: return "enq";
    case UnitKind::BadFrame: return "bad-frame";
    case UnitKind::Noise: return "noise";
    case UnitKind::Timeout: return "timeout";
    case UnitKind::Event: return "event";
  }
  return "noise";
}

const char* SideName(Side s) { return s == Side::App ? "app" : "reader"; }

const char* DirectionText(Side s) { return s == Side::App ? "APP>RDR" : "RDR>APP"; }

bool IsError(const LineUnit& u) {
  switch (u.kind) {
    case UnitKind::BadFrame:
    case UnitKind::Noise:
    case UnitKind::Timeout:
    case UnitKind::Nak: return true;
    case UnitKind::Reply: return u.reply == 'N';
    default: return false;
  }
}

}  // namespace kvt::monitor
