// SPDX-License-Identifier: MIT
#include "rf_commands.h"

#include "core/base/conversions.h"
#include "core/contact/chip_card_ops.h"
#include "core/rf/iso_apdu_ops.h"
#include "core/rf/mifare_ops.h"
#include "core/rf/rf_activation_ops.h"
#include "core/rf/ultralight_ops.h"
#include "dump_commands.h"
#include "exit_status.h"
#include "insight_commands.h"
#include "output.h"
#include "sub_commands.h"

namespace kvt::cli {

namespace {

// Operand parsing. Every helper sets *error and gives false on a mistake.
struct Args : SubOperands {
  using SubOperands::SubOperands;

  // Operand `index` as a hex number from 0 to `max` (a sector, block or page).
  bool number(int index, int max, const char* what, int* out) const {
    const QString t = o.operands.value(index);
    bool ok = false;
    const int v = t.toInt(&ok, 16);
    if (!ok || v < 0 || v > max) {
      *error = QStringLiteral("%1 %2: the %3 is hex from 0 to %4, got \"%5\"")
                   .arg(o.command, sub(), QLatin1String(what), QString::number(max, 16).toUpper(), t);
      return false;
    }
    *out = v;
    return true;
  }
  // The operands from `index` on as exactly `n` hex bytes ("0A 1B" or "0A1B").
  bool bytes(int index, int n, QStringList* cells) const {
    const QString text = o.operands.mid(index).join(QLatin1Char(' '));
    const auto b = ParseHexText(text);
    if (!b || b->size() != n) {
      *error = QStringLiteral("%1 %2: expected %3 bytes in hex, got \"%4\"").arg(o.command, sub()).arg(n).arg(text);
      return false;
    }
    *cells = CellTexts(*b);
    return true;
  }
  // "a" or "b": the key type.
  bool keyType(int index, bool* keyB) const {
    const QString t = o.operands.value(index).toLower();
    if (t != QLatin1String("a") && t != QLatin1String("b")) {
      *error = QStringLiteral("%1 %2: the key type is a or b").arg(o.command, sub());
      return false;
    }
    *keyB = t == QLatin1String("b");
    return true;
  }
};

Runner BindRfType(const CliOptions& o, QString* error) {
  if (!o.operands.isEmpty()) {
    *error = QStringLiteral("rf-type takes no operands");
    return {};
  }
  return [](Context& c) {
    const RfTypeOutcome out = RfCardType(c.session, c.options.address);
    return Finish(c, out);
  };
}

int FinishActivate(Context& c, const ActivateOutcome& o) {
  return Finish(c, o, [&] {
    for (const QString& sn : {o.mifareSn, o.ultralightSn, o.typeASn})
      if (!sn.isEmpty()) PrintField(QStringLiteral("Card SN"), sn);
    for (const QString& answer : {o.typeAAnswer, o.typeBAnswer})
      if (!answer.isEmpty()) PrintField(QStringLiteral("ATR Information"), answer);
  });
}

Runner BindRf(const CliOptions& o, QString* error) {
  const Args p{o, error};
  const QString sub = p.sub();
  if (sub == QLatin1String("activate")) {
    if (!p.count(0, 1)) return {};
    const QStringList orders = {"ab", "ba", "a", "b"};  // the order of RFCardUPCombbox
    const int index = orders.indexOf(o.operands.value(1, QStringLiteral("ab")).toLower());
    if (index < 0) {
      *error = QStringLiteral("rf activate: the order is ab, ba, a or b");
      return {};
    }
    return [index](Context& c) { return FinishActivate(c, RfActivate(c.session, c.options.address, index)); };
  }
  if (sub == QLatin1String("status"))
    return p.count(0, 0) ? Runner([](Context& c) { return Finish(c, RfInquireStatus(c.session, c.options.address)); })
                         : Runner();
  if (sub == QLatin1String("deactivate"))
    return p.count(0, 0) ? Runner([](Context& c) { return Finish(c, RfDeactivate(c.session, c.options.address)); })
                         : Runner();
  if (sub == QLatin1String("apdu")) {
    if (!p.count(2, 255)) return {};
    const QString which = o.operands[1].toLower();
    if (which != QLatin1String("a") && which != QLatin1String("b")) {
      *error = QStringLiteral("rf apdu: the card type is a or b");
      return {};
    }
    const IsoType type = which == QLatin1String("a") ? IsoType::A : IsoType::B;
    const QStringList apdus = o.operands.mid(2);
    if (!p.apdus(apdus)) return {};
    return [type, apdus](Context& c) {
      return SendEach(apdus, [&](const QString& a) {
        const IsoApduOutcome out = SendIsoApdu(c.session, c.options.address, type, a);
        const int rc = Finish(c, out, [&] { PrintField(QStringLiteral("Response"), out.response); });
        if (out.status == OpStatus::Done) PrintResponseSw(out.response);
        return rc;
      });
    };
  }
  p.unknown("activate, status, deactivate or apdu");
  return {};
}

Runner BindMifare(const CliOptions& o, QString* error) {
  if (auto run = BindDumpCommand(o, error)) return *run;
  const Args p{o, error};
  const QString sub = p.sub();
  int sector = 0, block = 0;
  bool keyB = false;
  QStringList cells;
  const auto sectorAt = [&](int i) { return p.number(i, kRfSectors - 1, "sector", &sector); };
  const auto blockAt = [&](int i) { return p.number(i, kRfBlocks - 1, "block", &block); };

  static const QList<QPair<QString, MifareKeyOp>> keyOps = {{"key-download", MifareKeyOp::Download},
                                                           {"key-load", MifareKeyOp::Load},
                                                           {"key-check", MifareKeyOp::Check},
                                                           {"key-change", MifareKeyOp::Change}};
  for (const auto& k : keyOps) {
    if (sub != k.first) continue;
    const MifareKeyOp op = k.second;
    if (op == MifareKeyOp::Change) {  // key A only
      if (!p.count(2, 1 + kRfKeyBytes) || !sectorAt(1) || !p.bytes(2, kRfKeyBytes, &cells)) return {};
    } else if (op == MifareKeyOp::Load) {
      if (!p.count(2, 2) || !sectorAt(1) || !p.keyType(2, &keyB)) return {};
    } else {
      const int least = op == MifareKeyOp::Check ? 2 : 3;
      if (!p.count(least, 2 + kRfKeyBytes) || !sectorAt(1) || !p.keyType(2, &keyB)) return {};
      cells = QStringList(kRfKeyBytes, QStringLiteral("FF"));  // the transport key
      if (o.operands.size() > 3 && !p.bytes(3, kRfKeyBytes, &cells)) return {};
    }
    return [=](Context& c) { return Finish(c, MifareKey(c.session, c.options.address, op, sector, keyB, cells)); };
  }
  if (sub == QLatin1String("read")) {
    if (!p.count(2, 2) || !sectorAt(1) || !blockAt(2)) return {};
    return [=](Context& c) {
      const BlockReadOutcome out = MifareReadBlock(c.session, c.options.address, sector, block, 1);
      return Finish(c, out, [&] {
        if (!out.cells.isEmpty()) PrintField(QStringLiteral("Data"), out.cells.join(QLatin1Char(' ')));
        for (const QString& line : out.accessLines) PrintLine(line);  // a trailer: what its bits allow
      });
    };
  }
  if (sub == QLatin1String("write")) {
    if (!p.count(3, 2 + kRfBlockBytes) || !sectorAt(1) || !blockAt(2) || !p.bytes(3, kRfBlockBytes, &cells))
      return {};
    const TrailerLock lock = o.force ? TrailerLock::Allow : TrailerLock::Refuse;
    return [=](Context& c) {
      return Finish(c, MifareWriteBlock(c.session, c.options.address, sector, block, 1, cells, lock));
    };
  }
  static const QList<QPair<QString, PurseOp>> purseOps = {
      {"purse-init", PurseOp::Initialize}, {"purse-inc", PurseOp::Increment}, {"purse-dec", PurseOp::Decrement}};
  for (const auto& k : purseOps) {
    if (sub != k.first) continue;
    if (!p.count(3, 3) || !sectorAt(1) || !blockAt(2)) return {};
    const PurseOp op = k.second;
    const QString value = o.operands[3];
    return [=](Context& c) { return Finish(c, PurseChange(c.session, c.options.address, op, sector, block, value)); };
  }
  if (sub == QLatin1String("purse-read")) {
    if (!p.count(2, 2) || !sectorAt(1) || !blockAt(2)) return {};
    return [=](Context& c) {
      const PurseReadOutcome out = PurseRead(c.session, c.options.address, sector, block);
      return Finish(c, out, [&] {
        if (out.valueText) PrintField(QStringLiteral("Value"), *out.valueText);
      });
    };
  }
  p.unknown("key-download, key-load, key-check, key-change, read, write, purse-init, purse-inc, purse-dec or "
            "purse-read");
  return {};
}

Runner BindUltralight(const CliOptions& o, QString* error) {
  if (auto run = BindDumpCommand(o, error)) return *run;
  const Args p{o, error};
  const QString sub = p.sub();
  int page = 0;
  if (sub == QLatin1String("read")) {
    if (!p.count(1, 1) || !p.number(1, kUltralightPages - 1, "page", &page)) return {};
    return [=](Context& c) {
      const PageReadOutcome out = UltralightRead(c.session, c.options.address, page);
      return Finish(c, out, [&] {
        if (!out.cells.isEmpty()) PrintField(QStringLiteral("Data"), out.cells.join(QLatin1Char(' ')));
      });
    };
  }
  if (sub == QLatin1String("write")) {
    QStringList cells;
    if (!p.count(2, 1 + kUltralightPageBytes) || !p.number(1, kUltralightPages - 1, "page", &page) ||
        !p.bytes(2, kUltralightPageBytes, &cells))
      return {};
    return [=](Context& c) { return Finish(c, UltralightWrite(c.session, c.options.address, page, cells)); };
  }
  p.unknown("read or write");
  return {};
}

}  // namespace

void AddRfCommands(std::vector<CommandEntry>& t) {
  t.push_back({"rf-type", "", "which contactless card is in the RF field", true, BindRfType});
  t.push_back({"rf", "SUB [operands]",
               "contactless card: activate [ab|ba|a|b] (polling order, default ab), status, deactivate, "
               "apdu a|b APDU... (Type A or Type B CPU card)",
               true, BindRf});
  t.push_back({"mifare", "SUB [operands]",
               "Mifare S50/S70 (SEC 00-27, BLK 0-F in hex): key-download SEC a|b KEY, key-load SEC a|b, "
               "key-check SEC a|b [KEY] (default FFFFFFFFFFFF), key-change SEC KEY (key A), read SEC BLK, "
               "write SEC BLK HEX (16 bytes), purse-init|purse-inc|purse-dec SEC BLK VALUE (decimal), "
               "purse-read SEC BLK",
               true, BindMifare});
  t.push_back({"ultralight", "SUB [operands]", "Mifare Ultralight (PAGE 0-F in hex): read PAGE, write PAGE HEX (4 bytes)",
               true, BindUltralight});
}

}  // namespace kvt::cli
