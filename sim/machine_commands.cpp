// SPDX-License-Identifier: MIT
#include "sim/machine_commands.h"

#include <cstdio>

namespace sim {
namespace {

class InitializeHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    const uint8_t pm = cmd.pm;
    if (pm != '0' && pm != '1' && pm != '3' && pm != '4' && pm != '5' && pm != '7')
      return Reply::fail(err::kBadParameter);
    s.countCaptures = pm == '4' || pm == '5' || pm == '7';
    if (pm == '0' || pm == '4') {
      if (s.cardInChannel()) s.card = CardPos::Front;
    } else if (pm == '1' || pm == '5') {
      const std::string e = s.captureCardInChannel();
      if (!e.empty()) return Reply::fail(e);
    }
    s.initialised = true;
    return Reply::ok(s.initInfo);
  }
};

class FirmwareHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    if (cmd.pm != '1') return Reply::fail(err::kBadParameter);
    return Reply::ok(s.firmware);
  }
};

class StatusHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    if (cmd.pm == '0') return Reply::ok();
    if (cmd.pm == '1') {
      const auto sensors = s.sensorBytes();
      return Reply::ok(std::vector<uint8_t>(sensors.begin(), sensors.end()));
    }
    return Reply::fail(err::kBadParameter);
  }
};

class MoveHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    std::string e;
    switch (cmd.pm) {
      case '9':  // eject to the gate, the card can be taken
      case '0':  // to the front, held in the rollers
        e = s.bringCardTo(CardPos::Front);
        break;
      case '1':
        e = s.bringCardTo(CardPos::Inside, InsideSpot::IcContacts);
        break;
      case '2':
        e = s.bringCardTo(CardPos::Inside, InsideSpot::RfAntenna);
        break;
      case '3':
        e = s.captureToBin();
        break;
      default:
        return Reply::fail(err::kBadParameter);
    }
    return e.empty() ? Reply::ok() : Reply::fail(e);
  }
};

class EntryHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    if (cmd.pm != '0' && cmd.pm != '1') return Reply::fail(err::kBadParameter);
    s.entryAllowed = cmd.pm == '0';
    return Reply::ok();
  }
};

class SerialNumberHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    if (cmd.pm != '0') return Reply::fail(err::kBadParameter);
    if (cmd.data != std::vector<uint8_t>{0x12}) return Reply::fail(err::kDataError);
    return Reply::ok(s.serialNumber);
  }
};

class ConfigurationHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    if (cmd.pm != '0') return Reply::fail(err::kBadParameter);
    return Reply::ok(s.configuration);
  }
};

class CaptureCounterHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    if (cmd.pm == '0') {
      char digits[8];
      std::snprintf(digits, sizeof digits, "%03d", s.captureCounter % 1000);
      return Reply::ok(std::string(digits));
    }
    if (cmd.pm != '1') return Reply::fail(err::kBadParameter);
    if (cmd.data.size() != 3) return Reply::fail(err::kDataError);
    int value = 0;
    for (uint8_t c : cmd.data) {
      if (c < '0' || c > '9') return Reply::fail(err::kDataError);
      value = value * 10 + (c - '0');
    }
    s.captureCounter = value;
    return Reply::ok();
  }
};

}  // namespace

std::vector<HandlerEntry> machineCommandHandlers() {
  std::vector<HandlerEntry> list;
  list.emplace_back(cm::kInitialize, std::make_unique<InitializeHandler>());
  list.emplace_back(cm::kFirmware, std::make_unique<FirmwareHandler>());
  list.emplace_back(cm::kStatus, std::make_unique<StatusHandler>());
  list.emplace_back(cm::kMove, std::make_unique<MoveHandler>());
  list.emplace_back(cm::kEntry, std::make_unique<EntryHandler>());
  list.emplace_back(cm::kSerialNumber, std::make_unique<SerialNumberHandler>());
  list.emplace_back(cm::kConfiguration, std::make_unique<ConfigurationHandler>());
  list.emplace_back(cm::kCaptureCounter, std::make_unique<CaptureCounterHandler>());
  return list;
}

}  // namespace sim
