// SPDX-License-Identifier: MIT
// The simulated reader as a whole (frame reader, machine, contact and contactless card
// commands and the card models behind them) on commands with any codes and any data.
// The harness frames each command with a right LEN and BCC, so the commands reach their
// handlers; now and then it puts raw bytes between them. Whatever the reader answers must
// be a lone control byte or a well-formed reply frame echoing the command and parameter.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"
#include "sim/cards/contact_chip.h"
#include "sim/cards/contact_commands.h"
#include "sim/cards/rf_card.h"
#include "sim/cards/rf_commands.h"
#include "sim/frame_codec.h"
#include "sim/reader_model.h"

namespace {

constexpr uint8_t kCommandCodes[] = {0x30, 0x31, 0x32, 0x33, 0x50, 0x51, 0x52,
                                     0x53, 0x54, 0x60, 0xA2, 0xA3, 0xA5, 0xDC};

// One emission: ACK, NAK, or a reply frame for `cm`/`pm` from `address`.
// With raw bytes on the line a command may have been spelt by them: then any echo goes.
void CheckEmission(const sim::Emission& e, uint8_t address, const std::vector<std::pair<uint8_t, uint8_t>>& sent,
                   bool rawSent) {
  if (e.cancelPending) {
    KVT_FUZZ_CHECK(e.bytes.empty());
    return;
  }
  const std::vector<uint8_t>& b = e.bytes;
  KVT_FUZZ_CHECK(!b.empty() && e.delayMs >= 0);
  if (b.size() == 1) {
    KVT_FUZZ_CHECK(b[0] == sim::kAck || b[0] == sim::kNak);
    return;
  }
  KVT_FUZZ_CHECK(b.size() >= 9 && b[0] == sim::kStx && b[1] == address);
  const size_t len = 256u * b[2] + b[3];
  KVT_FUZZ_CHECK(b.size() == len + 6 && b[4 + len] == sim::kEtx);
  KVT_FUZZ_CHECK(sim::xorBcc(b.data(), b.size() - 1) == b.back());
  KVT_FUZZ_CHECK(b[4] == sim::kPositiveMark || b[4] == sim::kNegativeMark);
  // The reply echoes a command that was sent.
  bool echoed = rawSent;
  for (const auto& c : sent) echoed = echoed || (c.first == b[5] && c.second == b[6]);
  KVT_FUZZ_CHECK(echoed);
  if (b[4] == sim::kNegativeMark) KVT_FUZZ_CHECK(len >= 5);
  else KVT_FUZZ_CHECK(len >= 6);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider p(data, size);
  sim::Reader reader;
  const uint8_t address = p.ConsumeBool() ? 0 : p.ConsumeIntegral<uint8_t>();
  reader.setAddress(address);
  const auto& chips = sim::contactChipKinds();
  const auto& antennas = sim::rfCardKinds();
  sim::setContactCardKind(reader.state(), chips[p.ConsumeIntegralInRange<size_t>(0, chips.size() - 1)]);
  sim::setRfCardKind(reader.state(), antennas[p.ConsumeIntegralInRange<size_t>(0, antennas.size() - 1)]);
  reader.setRequireInitialize(p.ConsumeIntegralInRange(0, 7) == 0);
  switch (p.ConsumeIntegralInRange(0, 3)) {
    case 0: break;
    case 1: reader.insertCard(); break;
    case 2: reader.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts); break;
    default: reader.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna); break;
  }

  std::vector<std::pair<uint8_t, uint8_t>> sent;
  bool rawSent = false;
  for (int k = 0; k < 24 && p.remaining_bytes() > 0; ++k) {
    std::vector<uint8_t> line;
    if (p.ConsumeIntegralInRange(0, 15) == 0) {
      const std::string raw = p.ConsumeRandomLengthString(32);
      line.assign(raw.begin(), raw.end());
      rawSent = true;
    } else {
      const uint8_t cm = p.ConsumeBool() ? kCommandCodes[p.ConsumeIntegralInRange<size_t>(0, sizeof kCommandCodes - 1)]
                                         : p.ConsumeIntegral<uint8_t>();
      const uint8_t pm = p.ConsumeBool() ? static_cast<uint8_t>('0' + p.ConsumeIntegralInRange(0, 9))
                                         : p.ConsumeIntegral<uint8_t>();
      const std::string d = p.ConsumeRandomLengthString(300);
      line = sim::buildCommandFrame(p.ConsumeIntegralInRange(0, 15) == 0 ? p.ConsumeIntegral<uint8_t>() : address,
                                    cm, pm, std::vector<uint8_t>(d.begin(), d.end()));
      sent.emplace_back(cm, pm);
    }
    const size_t chunk = p.ConsumeIntegralInRange<size_t>(1, 64);
    for (size_t i = 0; i < line.size(); i += chunk) {
      for (const sim::Emission& e : reader.feed(line.data() + i, std::min(chunk, line.size() - i)))
        CheckEmission(e, address, sent, rawSent);
    }
    // The host takes the reply now and then; a quiet line ends a frame left half-sent.
    if (p.ConsumeBool())
      for (const sim::Emission& e : reader.feed(std::vector<uint8_t>{sim::kAck})) CheckEmission(e, address, sent, rawSent);
    if (p.ConsumeBool()) reader.resetLink();
  }
  if (!rawSent) KVT_FUZZ_CHECK(reader.commandsSeen() <= static_cast<int>(sent.size()));
  return 0;
}
