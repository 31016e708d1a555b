// SPDX-License-Identifier: MIT
#include "sim/cards/contact_commands.h"

#include "sim/cards/cpu_card.h"
#include "sim/cards/memory_cards.h"

namespace sim {
namespace {

bool atContacts(const ReaderState& s) { return s.card == CardPos::Inside && s.spot == InsideSpot::IcContacts; }

uint8_t protocolChar(const CpuCard& card) { return card.protocol() == CpuCard::Protocol::T0 ? '0' : '1'; }

Bytes protocolAndAtr(const CpuCard& card) {
  Bytes out = card.atr();
  out.insert(out.begin(), protocolChar(card));
  return out;
}

uint8_t clockChar(const CpuCard* card) {
  if (!card || !card->powered()) return '0';
  return static_cast<uint8_t>('0' + card->clock());
}

// The reset, status, power-off and APDU commands that the CPU card and the SAMs share.
// `card` is null when nothing answers; `otherChip` when a chip of another kind does.
Reply chipCommand(const Command& cmd, CpuCard* card, bool otherChip) {
  switch (cmd.pm) {
    case '0': {
      if (cmd.data.size() != 1 || (cmd.data[0] != '0' && cmd.data[0] != '3')) return Reply::fail(err::kDataError);
      if (!card) return Reply::fail(otherChip ? err::kAtrError : err::kNoResponse);
      const auto profile = cmd.data[0] == '0' ? CpuCard::Profile::Emv : CpuCard::Profile::Iso;
      if (!card->coldReset(profile)) return Reply::fail(err::kNotEmv, protocolAndAtr(*card));
      return Reply::ok(protocolAndAtr(*card));
    }
    case '8':
      if (!card) return Reply::fail(otherChip ? err::kAtrError : err::kNoResponse);
      if (!card->warmReset()) return Reply::fail(err::kNotActivated);
      return Reply::ok(protocolAndAtr(*card));
    case '2':
      return Reply::ok(Bytes{clockChar(card)});
    case '1':
      if (card) card->powerOff();
      return Reply::ok();
    case '3':
    case '4':
    case '9': {
      if (!card || !card->powered()) return Reply::fail(err::kNotActivated);
      const bool t0 = card->protocol() == CpuCard::Protocol::T0;
      if ((cmd.pm == '3' && !t0) || (cmd.pm == '4' && t0)) return Reply::fail(err::kWrongProtocol);
      return Reply::ok(card->process(cmd.data));
    }
    default:
      return Reply::fail(err::kBadParameter);
  }
}

class CpuCardHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    // Status and power-off answer whatever is (not) there; the rest needs the card.
    if (!atContacts(s) && cmd.pm != '1' && cmd.pm != '2') return Reply::fail(err::kCannotExecute);
    ContactChip* chip = s.chipAtContacts();
    auto* card = dynamic_cast<CpuCard*>(chip);
    if (chip && cmd.pm == '1') chip->powerOff();
    return chipCommand(cmd, card, chip && !card);
  }
};

class SamCardHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    if (cmd.pm == 0x40) {
      if (cmd.data.size() != 1) return Reply::fail(err::kDataError);
      const int socket = cmd.data[0] - '0';
      if (socket < 0 || socket >= static_cast<int>(s.sams.size())) return Reply::fail(err::kDataError);
      s.currentSam = socket;
      return Reply::ok();
    }
    if (cmd.pm == '3' || cmd.pm == '4') return Reply::fail(err::kBadParameter);
    CpuCard* sam = s.currentSam < static_cast<int>(s.sams.size()) ? s.sams[static_cast<size_t>(s.currentSam)].get() : nullptr;
    Reply r = chipCommand(cmd, sam, false);
    if (cmd.pm == '2' && r.positive) r.data.push_back(static_cast<uint8_t>('0' + s.currentSam));
    return r;
  }
};

class SleCardHandler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    ContactChip* chip = s.chipAtContacts();
    auto* sle42 = dynamic_cast<Sle4442Card*>(chip);
    auto* sle28 = dynamic_cast<Sle4428Card*>(chip);
    switch (cmd.pm) {
      case '0':
        if (!chip) return Reply::fail(atContacts(s) ? err::kNoResponse : err::kCannotExecute);
        if (sle42) return Reply::ok(sle42->powerOn());
        if (sle28) return Reply::ok(sle28->powerOn());
        return Reply::fail(err::kAtrError);
      case '1':
        if (chip) chip->powerOff();
        return Reply::ok();
      case '2': {
        uint8_t st = '0';
        if (sle42 && sle42->powered()) st = '1';
        if (sle28 && sle28->powered()) st = '2';
        return Reply::ok(Bytes{st});
      }
      case '3':
      case '4': {
        if (!chip) return Reply::fail(err::kCannotExecute);
        if (!chip->powered()) return Reply::fail(err::kNotActivated);
        MemoryApdu a;
        if (!MemoryApdu::parse(cmd.data, &a)) return Reply::fail(err::kDataError);
        if (cmd.pm == '3') return sle42 ? Reply::ok(sle42->process(a)) : Reply::fail(err::kWrongProtocol);
        return sle28 ? Reply::ok(sle28->process(a)) : Reply::fail(err::kWrongProtocol);
      }
      default:
        return Reply::fail(err::kBadParameter);
    }
  }
};

class Eeprom24Handler : public CommandHandler {
 public:
  Reply handle(const Command& cmd, ReaderState& s) override {
    ContactChip* chip = s.chipAtContacts();
    auto* eeprom = dynamic_cast<Eeprom24Card*>(chip);
    switch (cmd.pm) {
      case '0':
        if (cmd.data.size() != 1) return Reply::fail(err::kDataError);
        if (!atContacts(s)) return Reply::fail(err::kCannotExecute);
        if (!eeprom) return Reply::fail(err::kNoResponse);
        eeprom->powerOn();
        return Reply::ok(Bytes{eeprom->sizeCode()});
      case '2':
        return Reply::ok(Bytes{eeprom && eeprom->powered() ? eeprom->sizeCode() : uint8_t('0')});
      case '3': {
        if (!chip) return Reply::fail(err::kCannotExecute);
        if (!chip->powered()) return Reply::fail(err::kNotActivated);
        if (!eeprom) return Reply::fail(err::kWrongProtocol);
        MemoryApdu a;
        if (!MemoryApdu::parse(cmd.data, &a)) return Reply::fail(err::kDataError);
        return Reply::ok(eeprom->process(a));
      }
      default:
        return Reply::fail(err::kBadParameter);
    }
  }
};

}  // namespace

CardTypeHandler::CardTypeHandler(RfTypeQuery rf) : rf_(std::move(rf)) {}

Reply CardTypeHandler::handle(const Command& cmd, ReaderState& s) {
  if (cmd.pm == '0') {
    if (!atContacts(s)) return Reply::fail(err::kCannotExecute);
    return Reply::ok(s.icChip ? s.icChip->typeCode() : std::string("00"));
  }
  if (cmd.pm == '1') return rf_ ? rf_(cmd, s) : Reply::ok(std::string("00"));
  return Reply::fail(err::kBadParameter);
}

std::vector<HandlerEntry> contactCommandHandlers() {
  std::vector<HandlerEntry> list;
  list.emplace_back(cm::kCardType, std::make_unique<CardTypeHandler>());
  list.emplace_back(cm::kCpuCard, std::make_unique<CpuCardHandler>());
  list.emplace_back(cm::kSamCard, std::make_unique<SamCardHandler>());
  list.emplace_back(cm::kSleCard, std::make_unique<SleCardHandler>());
  list.emplace_back(cm::kEeprom24, std::make_unique<Eeprom24Handler>());
  return list;
}

bool setContactCardKind(ReaderState& state, const std::string& kind) {
  if (!isContactChipKind(kind)) return false;
  state.releaseContacts();
  state.newCardChip = [kind] { return makeContactChip(kind); };
  state.icCardKind = kind;
  state.icChip = makeContactChip(kind);
  return true;
}

void fillSamSockets(ReaderState& state) {
  state.sams.clear();
  for (int socket = 1; socket <= 8; ++socket) state.sams.push_back(CpuCard::makeSam(socket));
  state.currentSam = 0;
}

}  // namespace sim
