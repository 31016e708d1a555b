// SPDX-License-Identifier: MIT
#include "contact_commands.h"

#include <initializer_list>
#include <map>

#include "core/base/conversions.h"
#include "core/contact/chip_card_ops.h"
#include "core/contact/eeprom24_ops.h"
#include "core/contact/ic_type_ops.h"
#include "core/contact/sle4428_ops.h"
#include "core/contact/sle4442_ops.h"
#include "dump_commands.h"
#include "exit_status.h"
#include "insight_commands.h"
#include "output.h"
#include "sub_commands.h"

namespace kvt::cli {

namespace {

// The grid after an operation: the cells it filled, 16 to a row, each row headed by its
// label as on the "IC CARD" tab.
void PrintGrid(const QStringList& cells) {
  for (int row = 0; row * 16 < cells.size(); ++row)
    PrintField(HexByte(static_cast<uint8_t>(row)), cells.mid(row * 16, 16).join(QLatin1Char(' ')));
}

// Operand parsing. Every helper sets *error and gives false on a mistake.
struct Operands : SubOperands {
  using SubOperands::SubOperands;

  // Operand `index` (the sub-command is 0) as a hex value of at most `max`, written with
  // `digits` upper-case digits; `fallback` when it is absent.
  bool hex(int index, int max, int digits, const QString& fallback, QString* out) const {
    const QString t = o.operands.value(index, fallback);
    bool ok = false;
    const int v = t.toInt(&ok, 16);
    if (!ok || t.isEmpty() || v < 0 || v > max) {
      *error = QStringLiteral("%1 %2: %3 is not a hex value up to %4")
                   .arg(o.command, sub(), t, QString::number(max, 16).toUpper());
      return false;
    }
    *out = QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
    return true;
  }
  // The operands from `index` on as hex bytes, between `min` and `max` of them.
  bool bytes(int index, int min, int max, QByteArray* out) const {
    const QString text = o.operands.mid(index).join(QLatin1Char(' '));
    const auto b = ParseHexText(text);
    if (!b || b->size() < min || b->size() > max) {
      *error = QStringLiteral("%1 %2: expected %3 to %4 bytes in hex, got \"%5\"")
                   .arg(o.command, sub())
                   .arg(min)
                   .arg(max)
                   .arg(text);
      return false;
    }
    *out = *b;
    return true;
  }
  // The security code from operand 1 on, `required` or not: one byte per field (the
  // fields keep their defaults without it), all of them in *data.
  bool code(bool required, std::initializer_list<QString*> fields, QByteArray* data) const {
    const int n = static_cast<int>(fields.size());
    if (!count(required ? 1 : 0, n)) return false;
    if (o.operands.size() <= 1) return true;
    if (!bytes(1, n, n, data)) return false;
    int i = 0;
    for (QString* field : fields) *field = HexByte(static_cast<uint8_t>(data->at(i++)));
    return true;
  }
};

QString lengthText(const QByteArray& data) { return HexByte(static_cast<uint8_t>(data.size())); }

Runner GridRunner(std::function<GridOutcome(Context&)> op) {
  return [op](Context& c) {
    const GridOutcome out = op(c);
    return Finish(c, out, [&] { PrintGrid(out.cells); });
  };
}

Runner PlainRunner(std::function<Outcome(Context&)> op) {
  return [op](Context& c) { return Finish(c, op(c)); };
}

// Power buttons shared by the memory cards.
Runner PowerRunner(const QString& sub, bool eeprom) {
  if (sub == QLatin1String("activate"))
    return PlainRunner([eeprom](Context& c) {
      return eeprom ? Eeprom24Activate(c.session, c.options.address) : SleActivate(c.session, c.options.address);
    });
  if (sub == QLatin1String("status"))
    return PlainRunner([eeprom](Context& c) {
      return eeprom ? Eeprom24InquireStatus(c.session, c.options.address)
                    : SleInquireStatus(c.session, c.options.address);
    });
  if (sub == QLatin1String("deactivate"))
    return PlainRunner([](Context& c) { return MemoryCardDeactivate(c.session, c.options.address); });
  return {};
}

// "ADDR" of the 4428 and 24Cxx commands: up to four hex digits, the high and low byte.
bool wideAddress(const Operands& p, int index, QString* high, QString* low) {
  QString a;
  if (!p.hex(index, 0xFFFF, 4, QStringLiteral("0"), &a)) return false;
  *high = a.left(2);
  *low = a.mid(2);
  return true;
}

Runner BindIcType(const CliOptions& o, QString* error) {
  if (!o.operands.isEmpty()) {
    *error = QStringLiteral("ic-type takes no operands");
    return {};
  }
  return PlainRunner([](Context& c) { return IcCardType(c.session, c.options.address); });
}

Runner BindSle4442(const CliOptions& o, QString* error) {
  if (auto run = BindDumpCommand(o, error)) return *run;
  const Operands p{o, error};
  const QString sub = p.sub();
  if (const Runner power = PowerRunner(sub, false)) return p.count(0, 0) ? power : Runner();
  Sle4442Fields f;
  QByteArray data;
  Sle4442Op op = Sle4442Op::Verify;
  if (sub == QLatin1String("verify") || sub == QLatin1String("change-code")) {
    op = sub == QLatin1String("verify") ? Sle4442Op::Verify : Sle4442Op::ChangeCode;
    if (!p.code(op == Sle4442Op::ChangeCode, {&f.pass1, &f.pass2, &f.pass3}, &data)) return {};
  } else if (sub == QLatin1String("read-security")) {
    op = Sle4442Op::ReadSecurity;
    if (!p.count(0, 0)) return {};
  } else if (sub == QLatin1String("read-main") || sub == QLatin1String("read-protection")) {
    op = sub == QLatin1String("read-main") ? Sle4442Op::ReadMain : Sle4442Op::ReadProtection;
    if (!p.count(0, 2) || !p.hex(1, 0xFF, 2, QStringLiteral("00"), &f.address) ||
        !p.hex(2, 0xFF, 2, op == Sle4442Op::ReadMain ? QStringLiteral("80") : QStringLiteral("04"), &f.length))
      return {};
  } else if (sub == QLatin1String("write-main") || sub == QLatin1String("write-protection")) {
    op = sub == QLatin1String("write-main") ? Sle4442Op::WriteMain : Sle4442Op::WriteProtection;
    if (!p.count(2, 1 + kIcGridCells) || !p.hex(1, 0xFF, 2, QString(), &f.address) ||
        !p.bytes(2, 1, kIcGridCells, &data))
      return {};
    f.length = lengthText(data);
  } else {
    p.unknown("activate, status, deactivate, verify, change-code, read-security, read-main, read-protection, "
              "write-main or write-protection");
    return {};
  }
  const QStringList cells = CellTexts(data);
  return GridRunner([=](Context& c) { return RunSle4442(c.session, c.options.address, op, f, cells); });
}

Runner BindSle4428(const CliOptions& o, QString* error) {
  if (auto run = BindDumpCommand(o, error)) return *run;
  const Operands p{o, error};
  const QString sub = p.sub();
  if (const Runner power = PowerRunner(sub, false)) return p.count(0, 0) ? power : Runner();
  Sle4428Fields f;
  QByteArray data;
  Sle4428Op op = Sle4428Op::CheckCode;
  if (sub == QLatin1String("verify") || sub == QLatin1String("change-code")) {
    op = sub == QLatin1String("verify") ? Sle4428Op::CheckCode : Sle4428Op::ChangeCode;
    if (!p.code(op == Sle4428Op::ChangeCode, {&f.pass1, &f.pass2}, &data)) return {};
  } else if (sub == QLatin1String("read-main") || sub == QLatin1String("read-protection")) {
    op = sub == QLatin1String("read-main") ? Sle4428Op::ReadMain : Sle4428Op::ReadProtection;
    if (!p.count(0, 2) || !wideAddress(p, 1, &f.high, &f.low) || !p.hex(2, 0xFF, 2, QStringLiteral("80"), &f.length))
      return {};
  } else if (sub == QLatin1String("write") || sub == QLatin1String("write-protected")) {
    op = sub == QLatin1String("write") ? Sle4428Op::Write : Sle4428Op::WriteProtected;
    if (!p.count(2, 1 + kIcGridCells) || !wideAddress(p, 1, &f.high, &f.low) || !p.bytes(2, 1, kIcGridCells, &data))
      return {};
    f.length = lengthText(data);
  } else {
    p.unknown("activate, status, deactivate, verify, change-code, read-main, read-protection, write or "
              "write-protected");
    return {};
  }
  const QStringList cells = CellTexts(data);
  return GridRunner([=](Context& c) { return RunSle4428(c.session, c.options.address, op, f, cells); });
}

Runner BindEeprom24(const CliOptions& o, QString* error) {
  if (auto run = BindDumpCommand(o, error)) return *run;
  const Operands p{o, error};
  const QString sub = p.sub();
  if (const Runner power = PowerRunner(sub, true)) return p.count(0, 0) ? power : Runner();
  Eeprom24Fields f;
  if (sub == QLatin1String("read")) {
    if (!p.count(0, 2) || !wideAddress(p, 1, &f.high, &f.low) || !p.hex(2, 0xFF, 2, QStringLiteral("80"), &f.length))
      return {};
    return GridRunner([=](Context& c) { return Eeprom24Read(c.session, c.options.address, f); });
  }
  if (sub == QLatin1String("write")) {
    QByteArray data;
    if (!p.count(2, 1 + kIcGridCells) || !wideAddress(p, 1, &f.high, &f.low) || !p.bytes(2, 1, kIcGridCells, &data))
      return {};
    f.length = lengthText(data);
    const QStringList cells = CellTexts(data);
    return GridRunner([=](Context& c) { return Eeprom24Write(c.session, c.options.address, f, cells); });
  }
  p.unknown("activate, status, deactivate, read or write");
  return {};
}

// The texts a chip window shows, then its message. A refused reset still shows what the
// card answered, as the window's ATR box does.
int FinishChip(Context& c, const ChipOutcome& o) {
  if (o.status == OpStatus::Negative && o.resetText && !o.resetText->isEmpty())
    PrintField(QStringLiteral("ATR"), *o.resetText);
  return Finish(c, o, [&] {
    if (o.resetText && !o.resetText->isEmpty()) PrintField(QStringLiteral("ATR"), *o.resetText);
    if (o.backText) PrintField(QStringLiteral("Response"), *o.backText);
  });
}

// cold-reset, warm-reset, status, deactivate and apdu of both windows.
Runner BindChip(const CliOptions& o, QString* error, ChipGroup g) {
  const Operands p{o, error};
  const QString sub = p.sub();
  if (sub == QLatin1String("cold-reset")) {
    if (!p.count(0, 1)) return {};
    const QString which = o.operands.value(1, QStringLiteral("emv"));
    if (which != QLatin1String("emv") && which != QLatin1String("iso")) {
      *error = QStringLiteral("%1 cold-reset %2: expected emv or iso").arg(o.command, which);
      return {};
    }
    const SupplyProfile profile = which == QLatin1String("emv") ? SupplyProfile::Emv2000 : SupplyProfile::Iso7816;
    return [=](Context& c) { return FinishChip(c, ColdReset(c.session, c.options.address, g, profile)); };
  }
  if (sub == QLatin1String("warm-reset"))
    return p.count(0, 0) ? Runner([=](Context& c) { return FinishChip(c, WarmReset(c.session, c.options.address, g)); })
                         : Runner();
  if (sub == QLatin1String("status"))
    return p.count(0, 0) ? PlainRunner([=](Context& c) { return ChipCardStatus(c.session, c.options.address, g); })
                         : Runner();
  if (sub == QLatin1String("deactivate"))
    return p.count(0, 0) ? PlainRunner([=](Context& c) { return ChipDeactivate(c.session, c.options.address, g); })
                         : Runner();
  if (sub == QLatin1String("apdu")) {
    static const std::map<QString, ApduProtocol> protocols = {
        {QStringLiteral("t0"), ApduProtocol::T0}, {QStringLiteral("t1"), ApduProtocol::T1},
        {QStringLiteral("auto"), ApduProtocol::Auto}};
    QStringList apdus = o.operands.mid(1);
    ApduProtocol protocol = ApduProtocol::Auto;
    if (g == ChipGroup::Cpu && !apdus.isEmpty() && protocols.count(apdus.first())) {
      protocol = protocols.at(apdus.first());
      apdus.removeFirst();
    }
    if (apdus.isEmpty()) {
      *error = QStringLiteral("%1 apdu needs at least one APDU in hex, e.g. 00A40000023F00").arg(o.command);
      return {};
    }
    if (!p.apdus(apdus)) return {};
    return [=](Context& c) {
      return SendEach(apdus, [&](const QString& a) {
        const ChipOutcome out = SendApdu(c.session, c.options.address, g, protocol, a);
        const int rc = FinishChip(c, out);
        if (out.status == OpStatus::Done && out.backText) PrintResponseSw(*out.backText);
        return rc;
      });
    };
  }
  if (g == ChipGroup::Sam && sub == QLatin1String("choose")) {
    if (!p.count(1, 1)) return {};
    const QString text = QStringLiteral("SAM ") + o.operands[1];
    if (!SamNumberByte(text)) {
      *error = QStringLiteral("sam choose %1: expected a SAM number from 1 to 14").arg(o.operands[1]);
      return {};
    }
    return [=](Context& c) { return FinishChip(c, ChooseSam(c.session, c.options.address, text)); };
  }
  p.unknown(g == ChipGroup::Sam ? "choose, cold-reset, warm-reset, status, deactivate or apdu"
                                : "cold-reset, warm-reset, status, deactivate or apdu");
  return {};
}

}  // namespace

void AddContactCommands(std::vector<CommandEntry>& t) {
  t.push_back({"ic-type", "", "which contact card is at the IC position", true, BindIcType});
  t.push_back({"sle4442", "SUB [operands]",
               "SLE4442: activate, status, deactivate, verify [PSC], change-code PSC, read-security, "
               "read-main|read-protection [ADDR [LEN]], write-main|write-protection ADDR HEX... "
               "(PSC: three bytes, default FFFFFF)",
               true, BindSle4442});
  t.push_back({"sle4428", "SUB [operands]",
               "SLE4428: activate, status, deactivate, verify [PSC], change-code PSC, "
               "read-main|read-protection [ADDR [LEN]], write|write-protected ADDR HEX... "
               "(ADDR: 0000 to 03FF, PSC: two bytes, default FFFF)",
               true, BindSle4428});
  t.push_back({"24cxx", "SUB [operands]",
               "24Cxx: activate, status, deactivate, read [ADDR [LEN]], write ADDR HEX... (ADDR: up to FFFF)", true,
               BindEeprom24});
  t.push_back({"cpu", "SUB [operands]",
               "contact CPU card: cold-reset [emv|iso], warm-reset, status, deactivate, apdu [t0|t1|auto] APDU...",
               true, [](const CliOptions& o, QString* e) { return BindChip(o, e, ChipGroup::Cpu); }});
  t.push_back({"sam", "SUB [operands]",
               "SAM: choose N (1 to 14), cold-reset [emv|iso], warm-reset, status, deactivate, apdu APDU...", true,
               [](const CliOptions& o, QString* e) { return BindChip(o, e, ChipGroup::Sam); }});
}

}  // namespace kvt::cli
