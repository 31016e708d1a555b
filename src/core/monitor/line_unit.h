// SPDX-License-Identifier: MIT
#pragma once
// One unit of what passes on the line between an application and its reader, as the
// monitor shows it: a frame, a control byte, bytes that belong to no frame, a wait that ran
// out, or a piece of the monitor's own news.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace kvt::monitor {

// Who the unit came from. A timeout is the reader's (it did not answer); an event names
// the side it is about.
enum class Side : uint8_t { App, Reader };

enum class UnitKind : uint8_t { Command, Reply, Ack, Nak, Eot, Enq, BadFrame, Noise, Timeout, Event };

struct LineUnit {
  qint64 timeUs = 0;  // microseconds since 1970-01-01 UTC: when the unit was complete
  Side from = Side::App;
  UnitKind kind = UnitKind::Noise;
  QByteArray bytes;  // as they passed on the line; empty for timeouts and events
  // Frames (also bad frames long enough to have them):
  int address = -1;   // the address byte; -1 when the unit has none
  bool checkOk = true;
  bool hasCodes = false;  // cm and pm were read
  uint8_t cm = 0, pm = 0;
  char reply = 0;         // 'P' or 'N' for replies, else 0
  QByteArray data;        // a command's data, a positive reply's data
  QString name;     // a frame's command name, a control byte's name ("ACK")
  QString meaning;  // a reply's decoded status or negative text; what a timeout or event says
  QString problem;  // what is wrong with a bad frame or noise
};

// "command", "reply", "ack", "nak", "eot", "enq", "bad-frame", "noise", "timeout", "event".
const char* KindName(UnitKind k);
// "app" or "reader".
const char* SideName(Side s);
// "APP>RDR" or "RDR>APP": the way the bytes went.
const char* DirectionText(Side s);

// Errors for the window's "Errors only" filter: bad frames, noise, timeouts, NAKs and
// negative replies.
bool IsError(const LineUnit& u);

}  // namespace kvt::monitor
