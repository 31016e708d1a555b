// SPDX-License-Identifier: MIT
#include "contact_ops.h"

#include "core/base/conversions.h"
#include "core/link/log_format.h"

namespace kvt {

namespace {

const QString kTransmitCommand = QStringLiteral("Transmit Command");

bool isHexDigit(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
         (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

}  // namespace

QString JoinedHex(const QByteArray& bytes) {
  QString s;
  for (char c : bytes) s += HexByte(static_cast<uint8_t>(c));
  return s;
}

Message DataErrorMessage() { return {MessageIcon::Warning, kCaution, kDataError}; }

QString StatusWordText(const QString& sw) {
  static const struct {
    const char* sw;
    const char* text;
  } table[] = {
      {"9000", "Execute OK"},
      {"6700", "The lenth of Lc is overflow and Command Cannot be Executed"},
      {"6B00", "Parameter(P1/P2) is error and  Command Cannot be Executed"},
      {"6F00", "Execute Error"},
      {"6F01", "Verification Password error"},
      {"6F02", "Card has been scrapped (password validation error over the number of cards permit error)"},
      {"6D00", "INS error  Command Cannot be Executed"},
      {"6E00", "CLA error  Command Cannot be Executed"},
  };
  for (const auto& row : table)
    if (sw == QLatin1String(row.sw)) return QString::fromLatin1(row.text);
  return QStringLiteral("Unknow Error");
}

Message StatusBox(const QString& sw, const std::optional<QString>& extra) {
  QString text = StatusWordText(sw) + CRLF;
  if (extra) text += *extra + CRLF;
  return {MessageIcon::Information, kTransmitCommand, text + sw};
}

QString MemoryStatusWord(const ReplyBuffer& r) { return HexByte(r.at(r.len - 4)) + HexByte(r.at(r.len - 3)); }

QByteArray MemoryData(const ReplyBuffer& r) {
  QByteArray out;
  for (int i = 6; i <= r.len - 5; ++i) out.append(static_cast<char>(r.at(i)));
  return out;
}

QByteArray MemoryHeader(uint8_t ins, uint8_t p1, uint8_t p2, uint8_t len) {
  QByteArray h(1, '\0');
  return h + char(ins) + char(p1) + char(p2) + char(len);
}

uint8_t FieldBytes::operator()(const QString& text) {
  const auto v = ReadHexByte(text);
  if (!v) ok_ = false;
  return v.value_or(0);
}

std::optional<QByteArray> GridBytes(const QStringList& cells, int n) {
  if (n > cells.size()) return std::nullopt;  // the grid runs out
  const QString joined = cells.mid(0, n).join(QString());
  QByteArray out;
  for (int k = 0; k < n; ++k) {
    const QString pair = joined.mid(2 * k, 2);
    if (pair.size() != 2 || !isHexDigit(pair[0]) || !isHexDigit(pair[1])) return std::nullopt;
    out.append(static_cast<char>(*ReadHexByte(pair)));
  }
  return out;
}

GridOutcome RunMemoryCommand(Session& s, const QString& addressText, uint8_t cm, uint8_t pm, MemoryReply decode,
                             const MemoryDataBuilder& build, const GridClear& clearNow) {
  GridOutcome o;
  if (!BeginOperation(s)) {
    o.status = OpStatus::PortClosed;
    return o;
  }
  o.clearGrid = decode != MemoryReply::Status;
  if (o.clearGrid && clearNow) clearNow();
  const auto address = ReadAddress(s, addressText);
  const auto data = address ? build(s) : std::nullopt;
  if (!address || !data) {
    o.status = OpStatus::BadInput;
    if (address) o.message = DataErrorMessage();
    EndOperation(s);
    return o;
  }
  static_cast<Outcome&>(o) = Exchange(s, *address, cm, pm, *data);
  if (o.status == OpStatus::Done) {
    const QString sw = MemoryStatusWord(o.reply);
    const QByteArray bytes = MemoryData(o.reply);
    if (sw != QLatin1String("9000") || decode == MemoryReply::Status) {
      o.message = StatusBox(sw);
    } else if (decode == MemoryReply::StatusAndData) {
      o.message = StatusBox(sw, JoinedHex(bytes));
    } else {
      for (int i = 0; i < bytes.size() && i < kIcGridCells; ++i) o.cells << HexByte(static_cast<uint8_t>(bytes[i]));
      if (bytes.size() > kIcGridCells) {
        o.status = OpStatus::BadInput;  // the cells that fit stay filled
        o.message = DataErrorMessage();
      } else {
        o.message = StatusBox(sw);
      }
    }
  }
  EndOperation(s);
  return o;
}

Outcome SleActivate(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, kSleCommand, '0');
  if (o.status != OpStatus::Done) return o;
  const QByteArray atr = o.reply.bytes.mid(6, 4);
  if (atr == QByteArray("\xA2\x13\x10\x91", 4))
    o.message = Message{MessageIcon::Information, QStringLiteral("Activate"), QStringLiteral("SLE4442 Activate success")};
  else if (atr == QByteArray("\x92\x23\x10\x91", 4))
    o.message = Message{MessageIcon::Information, QStringLiteral("Activate"), QStringLiteral("SLE4428 Activate success")};
  return o;
}

Outcome SleInquireStatus(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, kSleCommand, '2');
  if (o.status != OpStatus::Done) return o;
  QString text;
  switch (o.reply.at(6)) {
    case '0': text = QStringLiteral("SLE4442/4428 Deactivated"); break;
    case '1': text = QStringLiteral("SLE4442 Activated"); break;
    case '2': text = QStringLiteral("SLE4428 Activated"); break;
    default: return o;
  }
  o.message = Message{MessageIcon::Information, QStringLiteral("Inquire Status"), text};
  return o;
}

Outcome MemoryCardDeactivate(Session& s, const QString& addressText) {
  return RunConfirmedCommand(s, addressText, kSleCommand, '1', QStringLiteral("Deactivate"),
                             QStringLiteral("Deactivate success"));
}

}  // namespace kvt
