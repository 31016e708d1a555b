// SPDX-License-Identifier: MIT
// Every button's reply decoding: the card machine (status, sensors, configuration, serial
// number, counter, initialise, movements), the contact cards (IC type, SLE4442/4428, 24Cxx
// into the grid cells, CPU and SAM cards) and the contactless cards (RF type, activation,
// Mifare keys, blocks and purses, Ultralight, Type A/B APDUs). The fuzzer chooses the
// operation, the texts typed into its fields, and each reply text the reader gives back;
// the reply travels in a frame with a right LEN, so the decoders see every possible text.
#include <fuzzer/FuzzedDataProvider.h>

#include "core/base/conversions.h"
#include "core/contact/chip_card_ops.h"
#include "core/contact/eeprom24_ops.h"
#include "core/contact/ic_type_ops.h"
#include "core/contact/sle4428_ops.h"
#include "core/contact/sle4442_ops.h"
#include "core/machine/initialize_ops.h"
#include "core/machine/movement_ops.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "core/rf/iso_apdu_ops.h"
#include "core/rf/mifare_ops.h"
#include "core/rf/rf_activation_ops.h"
#include "core/rf/ultralight_ops.h"
#include "fuzz_support.h"

using namespace kvt;

namespace {

class Input {
 public:
  explicit Input(FuzzedDataProvider& p) : p_(p) {}
  // Something typed into a field.
  QString typed(size_t max = 12) { return QString::fromLatin1(p_.ConsumeRandomLengthString(max).c_str()); }
  // Mostly what the field's combo box or default holds, sometimes anything.
  QString field(const char* usual) { return p_.ConsumeBool() ? QString::fromLatin1(usual) : typed(); }
  QString address() { return field("00"); }
  QStringList cells(int n) {
    QStringList c;
    for (int i = 0; i < n; ++i) c << (p_.ConsumeBool() ? HexByte(p_.ConsumeIntegral<uint8_t>()) : typed(3));
    return c;
  }
  int pick(int last) { return p_.ConsumeIntegralInRange(0, last); }
  int number(int lo, int hi) { return p_.ConsumeIntegralInRange(lo, hi); }
  bool flag() { return p_.ConsumeBool(); }
  QByteArray reply() {
    const std::string s = p_.ConsumeRandomLengthString(300);
    return QByteArray(s.data(), static_cast<int>(s.size()));
  }

 private:
  FuzzedDataProvider& p_;
};

// The frames the operations send, one after the other, and the control bytes between them.
void CheckWritten(const QByteArray& w) {
  int i = 0;
  while (i < w.size()) {
    const auto b = static_cast<uint8_t>(w[i]);
    if (b == ACK || b == EOT) {
      ++i;
      continue;
    }
    KVT_FUZZ_CHECK(b == STX && i + 4 <= w.size());
    const int len = 256 * static_cast<uint8_t>(w[i + 2]) + static_cast<uint8_t>(w[i + 3]);
    KVT_FUZZ_CHECK(len >= 3 && i + 4 + len + 2 <= w.size());
    const QByteArray frame = w.mid(i, 4 + len + 2);
    KVT_FUZZ_CHECK(frame[4] == 'C' && static_cast<uint8_t>(frame[4 + len]) == ETX);
    KVT_FUZZ_CHECK(CalcBCC(frame) == static_cast<uint8_t>(frame.back()));
    i += frame.size();
  }
}

void CheckOutcome(const Outcome& o, const QByteArray& written) {
  if (o.status == OpStatus::Done) KVT_FUZZ_CHECK(o.reply.positive());
  if (o.status == OpStatus::Negative) KVT_FUZZ_CHECK(o.reply.negative());
  if (o.status == OpStatus::PortClosed || o.status == OpStatus::Cancelled) KVT_FUZZ_CHECK(written.isEmpty());
  if (o.message) KVT_FUZZ_CHECK(!o.message->title.isEmpty());
}

void CheckCells(const QStringList& cells, int most) {
  KVT_FUZZ_CHECK(cells.size() <= most);
  for (const QString& c : cells) KVT_FUZZ_CHECK(c.size() == 2 && ReadHexByte(c).has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider p(data, size);
  Input in(p);

  AppState state;
  state.PortOpened = p.ConsumeIntegral<uint8_t>() != 0x5A;
  fuzz::StreamPort port;
  port.configure(in.number(0, 8));
  StringLog log;
  RecordingNotifier notifier;
  notifier.answer = in.flag();
  Session s(state, port, log, notifier, in.flag() ? Variant::B : Variant::M, {}, Timeouts{}.scaled(100000));
  port.onWrite = [&](const QByteArray& w) {
    if (w.size() > 1) port.append(fuzz::AckAndReply(in.reply()));
  };

  const QString a = in.address();
  const int op = in.pick(39);
  std::optional<Outcome> o;  // none for the decoders called on their own
  switch (op) {
    // The card machine.
    case 0: o = CardStatus(s, a); break;
    case 1:
      o = SensorStatus(s, a);
      KVT_FUZZ_CHECK(state.SensorStateBytes.size() == 12);
      for (int k = 0; k < SensorRowCount(s.variant); ++k) {
        const SensorValue v = DecodeSensor(static_cast<uint8_t>(state.SensorStateBytes[k]));
        KVT_FUZZ_CHECK(v.red == (v.text == QLatin1String("On")));
      }
      break;
    case 2: o = ReadSN(s, a); (void)SerialNumberText(state); break;
    case 3:
      o = ReadConfig(s, a);
      KVT_FUZZ_CHECK(state.ConfigBytes.size() == 11 && DecodeConfig(state.ConfigBytes).size() == 8);
      break;
    case 4: o = ReadCounter(s, a); break;
    case 5: o = InitCounter(s, a, in.field("000")); break;
    case 6: {
      const int choice = in.pick(6);
      o = Initialize(s, a, [choice] { return choice == 6 ? 0 : kInitOptions[choice].code; });
      break;
    }
    case 7: o = MoveCard(s, a, kMovements[in.pick(6)].movement); break;
    // Contact cards.
    case 8: o = IcCardType(s, a); break;
    case 9: o = SleActivate(s, a); break;
    case 10: o = SleInquireStatus(s, a); break;
    case 11: o = MemoryCardDeactivate(s, a); break;
    case 12: o = Eeprom24Activate(s, a); break;
    case 13: o = Eeprom24InquireStatus(s, a); break;
    case 14:
    case 15: {
      const Eeprom24Fields f{in.field("00"), in.field("00"), in.field("80")};
      const GridOutcome g = op == 14 ? Eeprom24Read(s, a, f) : Eeprom24Write(s, a, f, in.cells(kIcGridCells));
      CheckCells(g.cells, kIcGridCells);
      o = g;
      break;
    }
    case 16: {
      Sle4442Fields f{in.field("00"), in.field("80"), in.field("FF"), in.field("FF"), in.field("FF")};
      const GridOutcome g = RunSle4442(s, a, static_cast<Sle4442Op>(in.pick(6)), f, in.cells(kIcGridCells));
      CheckCells(g.cells, kIcGridCells);
      o = g;
      break;
    }
    case 17: {
      Sle4428Fields f{in.field("00"), in.field("00"), in.field("80"), in.field("FF"), in.field("FF")};
      const GridOutcome g = RunSle4428(s, a, static_cast<Sle4428Op>(in.pick(5)), f, in.cells(kIcGridCells));
      CheckCells(g.cells, kIcGridCells);
      o = g;
      break;
    }
    case 18:
      o = ColdReset(s, a, in.flag() ? ChipGroup::Cpu : ChipGroup::Sam,
                    in.flag() ? SupplyProfile::Emv2000 : SupplyProfile::Iso7816);
      break;
    case 19: o = WarmReset(s, a, in.flag() ? ChipGroup::Cpu : ChipGroup::Sam); break;
    case 20: o = ChipCardStatus(s, a, in.flag() ? ChipGroup::Cpu : ChipGroup::Sam); break;
    case 21: o = ChipDeactivate(s, a, in.flag() ? ChipGroup::Cpu : ChipGroup::Sam); break;
    case 22:
      o = SendApdu(s, a, in.flag() ? ChipGroup::Cpu : ChipGroup::Sam, static_cast<ApduProtocol>(in.pick(2)),
                   in.field("0084000008"));
      break;
    case 23: o = ChooseSam(s, a, in.flag() ? QStringLiteral("SAM %1").arg(in.number(0, 15)) : in.typed()); break;
    // Contactless cards.
    case 24: o = RfCardType(s, a); break;
    case 25: {
      const ActivateOutcome act = RfActivate(s, a, in.number(-1, 4));
      if (act.status == OpStatus::Done) KVT_FUZZ_CHECK(act.clearFields);
      o = act;
      break;
    }
    case 26: o = RfDeactivate(s, a); break;
    case 27: o = RfInquireStatus(s, a); break;
    case 28:
      o = MifareKey(s, a, static_cast<MifareKeyOp>(in.pick(3)), in.number(-1, kRfSectors), in.flag(),
                    in.cells(kRfKeyBytes));
      break;
    case 29: {
      const BlockReadOutcome r =
          MifareReadBlock(s, a, in.number(-1, kRfSectors), in.number(-1, kRfBlocks), in.number(0, 0x100));
      KVT_FUZZ_CHECK(r.cells.isEmpty() || r.cells.size() == kRfBlockBytes);
      CheckCells(r.cells, kRfBlockBytes);
      o = r;
      break;
    }
    case 30:
      o = MifareWriteBlock(s, a, in.number(-1, kRfSectors), in.number(-1, kRfBlocks), in.number(0, 0x100),
                           in.cells(kRfBlockBytes));
      break;
    case 31:
      o = PurseChange(s, a, static_cast<PurseOp>(in.pick(2)), in.number(-1, kRfSectors), in.number(-1, kRfBlocks),
                      in.flag() ? QString::number(p.ConsumeIntegral<uint32_t>()) : in.typed());
      break;
    case 32: {
      const PurseReadOutcome r = PurseRead(s, a, in.number(-1, kRfSectors), in.number(-1, kRfBlocks));
      if (r.valueText) KVT_FUZZ_CHECK(!r.valueText->isEmpty() && r.valueText->toULongLong() <= 0xFFFFFFFFull);
      o = r;
      break;
    }
    case 33: {
      const PageReadOutcome r = UltralightRead(s, a, in.number(-1, kUltralightPages));
      KVT_FUZZ_CHECK(r.cells.isEmpty() || r.cells.size() == kUltralightPageBytes);
      CheckCells(r.cells, kUltralightPageBytes);
      o = r;
      break;
    }
    case 34: o = UltralightWrite(s, a, in.number(-1, kUltralightPages), in.cells(kUltralightPageBytes)); break;
    case 35:
    case 36:
      o = SendIsoApdu(s, a, op == 35 ? IsoType::A : IsoType::B, in.field("00A40000023F00"));
      break;
    // The decoders on their own, with texts no reader operation would hand them.
    case 37: {
      const QByteArray cfg = in.reply();
      KVT_FUZZ_CHECK(DecodeConfig(cfg).size() == 8);
      (void)CardStatusText(in.number(0, 255), in.number(0, 255), in.number(0, 255));
      break;
    }
    case 38: {
      const QString code = in.typed(3);
      (void)IcTypeText(code);
      (void)RfTypeText(code);
      (void)RfInquireText(code);
      (void)StatusWordText(code);
      (void)RfStatusText(code);
      break;
    }
    default: {
      QByteArray apdu;
      if (ConvertApduText(in.typed(600), &apdu) == ApduTextError::None) KVT_FUZZ_CHECK(apdu.size() <= kMaxApduBytes);
      (void)GridBytes(in.cells(in.pick(8)), in.number(0, 9));
      break;
    }
  }
  if (o) CheckOutcome(*o, port.written);
  CheckWritten(port.written);
  return 0;
}
