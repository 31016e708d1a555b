// SPDX-License-Identifier: MIT
#pragma once
// Captures in pcapng, the format Wireshark and tshark read: a Section Header Block, two
// Interface Description Blocks and one Enhanced Packet Block per unit, little-endian,
// time stamps in microseconds (the format's default resolution).
//
// Interface 0 is the line (link type USER0, 147): each packet holds the unit's bytes as
// they passed. Interface 1 (USER1, 148) holds the monitor's own lines, timeouts and events,
// as UTF-8 text. The packet flags give the direction: inbound for the reader's bytes,
// outbound for the application's.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

#include "line_unit.h"

namespace kvt::monitor::pcapng {

constexpr uint32_t kLinkTypeUser0 = 147;
constexpr uint32_t kLinkTypeUser1 = 148;
constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescription = 1;
constexpr uint32_t kEnhancedPacket = 6;
constexpr uint32_t kInbound = 1, kOutbound = 2;  // epb_flags bits 0-1

QByteArray SectionHeaderBlock(const QString& application);
QByteArray InterfaceDescriptionBlock(uint32_t linkType, const QString& name);
// Time in microseconds since 1970; `flags` the epb_flags value (0: none written).
QByteArray EnhancedPacketBlock(uint32_t interface, qint64 timeUs, uint32_t flags, const QByteArray& data);

// The section header and both interfaces, as a capture file starts.
QByteArray FileHeader();
// The block a unit becomes.
QByteArray UnitBlock(const LineUnit& u);

// A capture written as the run goes: each block goes out whole, and flush() hands what
// is written to the system, so the file is readable up to the last flush whatever happens.
class Writer {
 public:
  // Creates or replaces the file and writes its header. False with the reason.
  bool open(const QString& path, QString* error);
  bool write(const LineUnit& u);
  bool flush();
  void close();
  bool isOpen() const { return file_.isOpen(); }
  quint64 packets() const { return packets_; }

 private:
  QFile file_;
  quint64 packets_ = 0;
};

}  // namespace kvt::monitor::pcapng
