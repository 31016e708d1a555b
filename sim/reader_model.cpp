// SPDX-License-Identifier: MIT
#include "sim/reader_model.h"

#include <algorithm>

#include "sim/cards/contact_commands.h"
#include "sim/cards/rf_commands.h"
#include "sim/frame_codec.h"
#include "sim/machine_commands.h"

namespace sim {
namespace {

std::vector<uint8_t> replyText(const Command& cmd, const Reply& r, const ReaderState& state) {
  std::vector<uint8_t> text;
  if (r.positive) {
    const auto st = state.statusBytes();
    text = {kPositiveMark, cmd.cm, cmd.pm, st[0], st[1], st[2]};
  } else {
    std::string code = r.error;
    code.resize(2, '0');
    text = {kNegativeMark, cmd.cm, cmd.pm, static_cast<uint8_t>(code[0]), static_cast<uint8_t>(code[1])};
  }
  text.insert(text.end(), r.data.begin(), r.data.end());
  return text;
}

}  // namespace

Reader::Reader() : parser_(0) {
  for (auto& entry : machineCommandHandlers()) addHandler(entry.first, std::move(entry.second));
  for (auto& entry : contactCommandHandlers()) addHandler(entry.first, std::move(entry.second));
  for (auto& entry : rfCommandHandlers()) addHandler(entry.first, std::move(entry.second));
  setContactCardKind(state_, "cpu-t0");
  setRfCardKind(state_, "s50");
  fillSamSockets(state_);
}

Reader::~Reader() = default;

void Reader::setAddress(uint8_t address) {
  address_ = address;
  parser_.setAddress(address);
}

void Reader::addHandler(uint8_t cm, std::unique_ptr<CommandHandler> handler) {
  if (handler) handlers_[cm] = std::move(handler);
  else handlers_.erase(cm);
}

bool Reader::insertCard() {
  if (!state_.entryAllowed || state_.cardInChannel()) return false;
  state_.newCardEnters();
  state_.card = CardPos::Front;
  return true;
}

bool Reader::removeCard() {
  if (state_.card != CardPos::Front) return false;
  state_.card = CardPos::None;
  return true;
}

bool Reader::pullCard() {
  if (state_.card != CardPos::Inside) return false;
  state_.releaseContacts();
  state_.card = CardPos::None;
  return true;
}

void Reader::setCardPosition(CardPos pos, InsideSpot spot) {
  state_.releaseContacts();
  state_.card = pos;
  state_.spot = spot;
}

void Reader::setCaptureCounter(int n) {
  state_.captureCounter = n < 0 ? 0 : (n > ReaderState::kCounterMax ? ReaderState::kCounterMax : n);
}

std::vector<Emission> Reader::feed(const uint8_t* data, size_t n) {
  std::vector<HostEvent> events;
  parser_.feed(data, n, events);
  std::vector<Emission> out;
  for (const auto& ev : events) {
    switch (ev.kind) {
      case HostEvent::Kind::Ack:
        ++hostAcks_;
        awaitingAck_ = false;
        break;
      case HostEvent::Kind::Eot:
        awaitingAck_ = false;  // the host gave up; it owes no ACK
        out.clear();
        out.push_back(Emission{0, {}, true});
        break;
      case HostEvent::Kind::BadFrame:
        ++badFrames_;
        out.push_back(Emission{0, {kNak}});
        break;
      case HostEvent::Kind::Command: {
        auto answered = answer(ev);
        out.insert(out.end(), answered.begin(), answered.end());
        break;
      }
    }
  }
  return out;
}

std::vector<Emission> Reader::answer(const HostEvent& ev) {
  ++commands_;
  if (awaitingAck_) ++unackedReplies_;
  const Fault fault = fault_;
  if (fault.once) fault_ = Fault{};

  const Command cmd{ev.cm, ev.pm, ev.data};
  Reply reply;
  int delayMs = replyDelayMs_;
  if (fault.kind == FaultKind::Negative) {
    reply = Reply::fail(fault.negativeCode);
  } else if (!faultSuppressesCommand(fault.kind)) {
    bool jam = false;
    if (cmd.cm == cm::kMove && !ev.oversize) delayMs += motionDelayMs(&jam);
    // A jam stops the card where it was; the reader says so with a negative reply.
    reply = jam ? Reply::fail(err::kCardJam) : execute(cmd, ev.oversize);
  }
  last_ = LastCommand{cmd.cm, cmd.pm, reply.positive, reply.positive ? std::string() : reply.error, fault.kind};
  const auto frame = buildFrame(address_, replyText(cmd, reply, state_));
  // Every host acknowledges a whole reply that followed our ACK, whatever its check byte
  // says; after a lost ACK a host may legitimately give up before the reply comes.
  switch (fault.kind) {
    case FaultKind::None:
    case FaultKind::Negative:
    case FaultKind::Slow:
    case FaultKind::BadBcc: awaitingAck_ = true; break;
    default: awaitingAck_ = false; break;
  }
  return emissionsUnderFault(fault, frame, delayMs, rng_);
}

void Reader::setMotion(const Motion& m) {
  motion_ = m;
  motion_.motionMs = std::max(0, m.motionMs);
  motion_.wearMsPer1000 = std::max(0, m.wearMsPer1000);
  motion_.jamRate = std::min(1.0, std::max(0.0, m.jamRate));
  motionRng_.seed(m.seed);
  motions_ = 0;
}

int Reader::motionDelayMs(bool* jam) {
  const long long made = motions_++;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  *jam = motion_.jamRate > 0 && unit(motionRng_) < motion_.jamRate;
  double ms = motion_.motionMs * (1.0 + kMotionSpread * (2 * unit(motionRng_) - 1));
  ms += motion_.wearMsPer1000 * (made / 1000.0);
  return static_cast<int>(ms + 0.5);
}

Reply Reader::execute(const Command& cmd, bool oversize) {
  if (oversize) return Reply::fail(err::kDataError);
  if (requireInit_ && !state_.initialised && cmd.cm != cm::kInitialize)
    return Reply::fail(err::kNotInitialized);
  const auto it = handlers_.find(cmd.cm);
  if (it == handlers_.end()) return Reply::fail(err::kUnknownCommand);
  return it->second->handle(cmd, state_);
}

}  // namespace sim
