// SPDX-License-Identifier: MIT
#include "sim/cards/rf_commands.h"

#include "sim/cards/contact_commands.h"
#include "sim/cards/iso14443_card.h"
#include "sim/cards/ultralight.h"

namespace sim {
namespace {

Reply withSw(Bytes data, uint16_t sw) { return Reply::ok(withStatus(std::move(data), sw)); }
Reply sw(uint16_t word) { return withSw({}, word); }

// The header and the parts of a Mifare / Ultralight command.
struct CardApdu {
  uint8_t ins = 0, p1 = 0, p2 = 0;
  Bytes body;  // after P2: Lc (or the count) and the data
};

// A key command's body: 06 and six key bytes.
bool keyOf(const Bytes& body, MifareClassic::Key* key) {
  if (body.size() != 7 || body[0] != 6) return false;
  std::copy(body.begin() + 1, body.end(), key->begin());
  return true;
}

// A value command's body: 04 and the amount, least significant byte first.
bool amountOf(const Bytes& body, int32_t* amount) {
  if (body.size() != 5 || body[0] != 4) return false;
  *amount = static_cast<int32_t>(uint32_t(body[1]) | uint32_t(body[2]) << 8 | uint32_t(body[3]) << 16 |
                                 uint32_t(body[4]) << 24);
  return true;
}

Reply classicCommand(MifareClassic& card, const CardApdu& a, const RfCommandHandler& reader) {
  const int sector = a.p1 == 0x00 || a.p1 == 0x01 ? a.p2 : -1;  // for the key commands
  MifareClassic::Key key{};
  int32_t amount = 0;
  Bytes out;
  switch (a.ins) {
    case 0x20:
    case 0x21: {
      if (sector < 0 || sector >= RfCommandHandler::kKeySectors) return sw(rfsw::kBadParameter);
      const auto type = static_cast<MifareClassic::KeyType>(a.p1);
      if (a.ins == 0x20 && !keyOf(a.body, &key)) return sw(rfsw::kBadLength);
      if (a.ins == 0x21) {
        if (!a.body.empty()) return sw(rfsw::kBadLength);
        key = reader.storedKey(type, sector);
      }
      return sw(card.authenticate(sector, type, key));
    }
    case 0xD5:
      if (a.p1 != 0x00) return sw(rfsw::kBadParameter);
      if (!keyOf(a.body, &key)) return sw(rfsw::kBadLength);
      return sw(card.changeKeyA(a.p2, key));
    case 0xB0: {
      if (a.body.size() != 1) return sw(rfsw::kBadLength);
      const uint16_t word = card.read(a.p1, a.p2, a.body[0], &out);
      return withSw(word == rfsw::kOk ? out : Bytes{}, word);
    }
    case 0xD1:
      if (a.body.empty() || a.body[0] == 0 || a.body.size() != 1 + 16u * a.body[0]) return sw(rfsw::kBadLength);
      return sw(card.write(a.p1, a.p2, Bytes(a.body.begin() + 1, a.body.end())));
    case 0xD2:
    case 0xD3:
    case 0xD4:
      if (!amountOf(a.body, &amount)) return sw(rfsw::kBadLength);
      if (a.ins == 0xD2) return sw(card.initValue(a.p1, a.p2, amount));
      return sw(card.addValue(a.p1, a.p2, amount, a.ins == 0xD3));
    case 0xB1: {
      if (!a.body.empty()) return sw(rfsw::kBadLength);
      const uint16_t word = card.readValue(a.p1, a.p2, &out);
      return withSw(word == rfsw::kOk ? out : Bytes{}, word);
    }
    default:
      return sw(rfsw::kBadIns);
  }
}

Reply ultralightCommand(Ultralight& card, const CardApdu& a) {
  if (a.ins != 0xB0 && a.ins != 0xD1) return sw(rfsw::kBadIns);
  if (a.body.empty() || a.body[0] == 0) return sw(rfsw::kBadLength);
  if (a.p2 != 0x00) return sw(rfsw::kBadParameter);
  const int count = a.body[0];
  if (a.ins == 0xB0) {
    if (a.body.size() != 1) return sw(rfsw::kBadLength);
    Bytes out;
    const uint16_t word = card.read(a.p1, count, &out);
    return withSw(word == rfsw::kOk ? out : Bytes{}, word);
  }
  if (a.body.size() != 1 + 4u * static_cast<unsigned>(count)) return sw(rfsw::kBadLength);
  return sw(card.write(a.p1, Bytes(a.body.begin() + 1, a.body.end())));
}

// The card that was activated and is still in the field.
RfCard* activeCard(const ReaderState& s) {
  RfCard* card = rfCardInField(s);
  return card && card->active() ? card : nullptr;
}

// Why a card command finds no activated card: no card answers in the field (a card pulled
// out mid-run), or the card there was not activated since it came.
Reply noActiveCard(const ReaderState& s) {
  return Reply::fail(rfCardInField(s) ? err::kNotActivated : err::kNoResponse);
}

Reply rfCardType(const Command&, ReaderState& s) {
  const RfCard* card = rfCardInField(s);
  return Reply::ok(card ? card->typeCode() : std::string("00"));
}

}  // namespace

RfCommandHandler::RfCommandHandler() {
  MifareClassic::Key transport{};
  transport.fill(0xFF);
  for (auto& type : keys_) type.fill(transport);
}

Reply RfCommandHandler::handle(const Command& cmd, ReaderState& s) {
  switch (cmd.pm) {
    case '0':
      return activate(cmd, s);
    case '1':
      if (s.rfCard) s.rfCard->fieldOff();
      return Reply::ok();
    case '2': {
      const RfCard* card = activeCard(s);
      return Reply::ok(card ? card->typeCode() : std::string("00"));
    }
    case '3':
      return cardCommand(cmd, s);
    case '4':
    case '5': {
      if (cmd.data.empty()) return Reply::fail(err::kDataError);
      RfCard* card = activeCard(s);
      if (!card) return noActiveCard(s);
      auto* cpu = dynamic_cast<Iso14443Card*>(card);
      const auto wanted = cmd.pm == '4' ? RfCard::Protocol::TypeA : RfCard::Protocol::TypeB;
      if (!cpu || cpu->protocol() != wanted) return Reply::fail(err::kWrongProtocol);
      return Reply::ok(cpu->process(cmd.data));
    }
    default:
      return Reply::fail(err::kBadParameter);
  }
}

Reply RfCommandHandler::activate(const Command& cmd, ReaderState& s) {
  const Bytes& d = cmd.data;
  const bool valid = d.size() == 2 && (d[0] == 'A' || d[0] == 'B') &&
                     (d[1] == '0' || ((d[1] == 'A' || d[1] == 'B') && d[1] != d[0]));
  if (!valid) return Reply::fail(err::kDataError);
  if (s.rfCard) s.rfCard->fieldOff();  // the field is switched on afresh
  RfCard* card = rfCardInField(s);
  if (!card) return Reply::fail(err::kNoResponse);
  for (uint8_t letter : d) {
    const bool typeA = card->protocol() == RfCard::Protocol::TypeA;
    if ((letter == 'A' && typeA) || (letter == 'B' && !typeA)) {
      card->activate();
      return Reply::ok(card->activationReport());
    }
  }
  return Reply::fail(err::kNoResponse);
}

Reply RfCommandHandler::cardCommand(const Command& cmd, ReaderState& s) {
  if (cmd.data.size() < 4) return Reply::fail(err::kDataError);
  CardApdu a;
  a.ins = cmd.data[1];
  a.p1 = cmd.data[2];
  a.p2 = cmd.data[3];
  a.body.assign(cmd.data.begin() + 4, cmd.data.end());
  if (cmd.data[0] != 0x00) return sw(rfsw::kBadCla);

  // Storing a key is the reader's own business: no card takes part.
  if (a.ins == 0xD0) {
    MifareClassic::Key key{};
    if (a.p1 > 1 || a.p2 >= kKeySectors) return sw(rfsw::kBadParameter);
    if (!keyOf(a.body, &key)) return sw(rfsw::kBadLength);
    keys_[a.p1][a.p2] = key;
    return sw(rfsw::kOk);
  }

  RfCard* card = activeCard(s);
  if (!card) return noActiveCard(s);
  if (auto* classic = dynamic_cast<MifareClassic*>(card)) return classicCommand(*classic, a, *this);
  if (auto* ul = dynamic_cast<Ultralight*>(card)) return ultralightCommand(*ul, a);
  return Reply::fail(err::kWrongProtocol);
}

RfCard* rfCardInField(const ReaderState& s) {
  if (s.card != CardPos::Inside || s.spot != InsideSpot::RfAntenna) return nullptr;
  return s.rfCard.get();
}

std::vector<HandlerEntry> rfCommandHandlers() {
  std::vector<HandlerEntry> list;
  list.emplace_back(cm::kCardType, std::make_unique<CardTypeHandler>(rfCardType));
  list.emplace_back(cm::kRfCard, std::make_unique<RfCommandHandler>());
  return list;
}

bool setRfCardKind(ReaderState& state, const std::string& kind) {
  if (!isRfCardKind(kind)) return false;
  if (state.rfCard) state.rfCard->fieldOff();
  state.newRfCard = [kind] { return makeRfCard(kind); };
  state.rfCardKind = kind;
  state.rfCard = makeRfCard(kind);
  return true;
}

}  // namespace sim
