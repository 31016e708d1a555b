// SPDX-License-Identifier: MIT
#include "pcapng.h"

#include "unit_text.h"

namespace kvt::monitor::pcapng {

namespace {

void Put16(QByteArray& b, uint16_t v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>(v >> 8));
}

void Put32(QByteArray& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Pad32(QByteArray& b) {
  while (b.size() % 4 != 0) b.append('\0');
}

void PutOption(QByteArray& b, uint16_t code, const QByteArray& value) {
  Put16(b, code);
  Put16(b, static_cast<uint16_t>(value.size()));
  b.append(value);
  Pad32(b);
}

void EndOptions(QByteArray& b) { Put32(b, 0); }  // opt_endofopt, length 0

// Type, total length, body, total length again.
QByteArray Block(uint32_t type, const QByteArray& body) {
  QByteArray b;
  const uint32_t total = static_cast<uint32_t>(body.size()) + 12;
  Put32(b, type);
  Put32(b, total);
  b.append(body);
  Put32(b, total);
  return b;
}

constexpr uint16_t kShbUserAppl = 4, kIfName = 2, kEpbFlags = 2;
constexpr int kSnapLength = 0x40000;  // larger than any unit

}  // namespace

QByteArray SectionHeaderBlock(const QString& application) {
  QByteArray body;
  Put32(body, 0x1A2B3C4D);  // byte-order magic
  Put16(body, 1);           // version 1.0
  Put16(body, 0);
  Put32(body, 0xFFFFFFFF);  // section length not given (-1)
  Put32(body, 0xFFFFFFFF);
  PutOption(body, kShbUserAppl, application.toUtf8());
  EndOptions(body);
  return Block(kSectionHeader, body);
}

QByteArray InterfaceDescriptionBlock(uint32_t linkType, const QString& name) {
  QByteArray body;
  Put16(body, static_cast<uint16_t>(linkType));
  Put16(body, 0);  // reserved
  Put32(body, kSnapLength);
  PutOption(body, kIfName, name.toUtf8());
  EndOptions(body);
  return Block(kInterfaceDescription, body);
}

QByteArray EnhancedPacketBlock(uint32_t interface, qint64 timeUs, uint32_t flags, const QByteArray& data) {
  QByteArray body;
  const auto stamp = static_cast<quint64>(std::max<qint64>(0, timeUs));
  Put32(body, interface);
  Put32(body, static_cast<uint32_t>(stamp >> 32));
  Put32(body, static_cast<uint32_t>(stamp & 0xFFFFFFFF));
  Put32(body, static_cast<uint32_t>(data.size()));  // captured
  Put32(body, static_cast<uint32_t>(data.size()));  // on the line
  body.append(data);
  Pad32(body);
  if (flags != 0) {
    QByteArray value;
    Put32(value, flags);
    PutOption(body, kEpbFlags, value);
    EndOptions(body);
  }
  return Block(kEnhancedPacket, body);
}

QByteArray FileHeader() {
  return SectionHeaderBlock(QStringLiteral("kvt730ctl monitor")) +
         InterfaceDescriptionBlock(kLinkTypeUser0, QStringLiteral("KVT-730 line")) +
         InterfaceDescriptionBlock(kLinkTypeUser1, QStringLiteral("KVT-730 monitor notes"));
}

QByteArray UnitBlock(const LineUnit& u) {
  const uint32_t flags = u.from == Side::App ? kOutbound : kInbound;
  if (u.kind == UnitKind::Timeout || u.kind == UnitKind::Event)
    return EnhancedPacketBlock(1, u.timeUs, flags, Describe(u).toUtf8());
  return EnhancedPacketBlock(0, u.timeUs, flags, u.bytes);
}

bool Writer::open(const QString& path, QString* error) {
  close();
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error) *error = file_.errorString();
    return false;
  }
  packets_ = 0;
  const QByteArray header = FileHeader();
  if (file_.write(header) != header.size() || !file_.flush()) {
    if (error) *error = file_.errorString();
    file_.close();
    return false;
  }
  return true;
}

bool Writer::write(const LineUnit& u) {
  if (!file_.isOpen()) return false;
  const QByteArray block = UnitBlock(u);
  if (file_.write(block) != block.size()) return false;
  ++packets_;
  return true;
}

bool Writer::flush() { return file_.isOpen() && file_.flush(); }

void Writer::close() {
  if (file_.isOpen()) {
    file_.flush();
    file_.close();
  }
}

}  // namespace kvt::monitor::pcapng
