// SPDX-License-Identifier: MIT
#pragma once
// Network addresses that stand where a serial device path would: "tcp://HOST:PORT" (a raw
// byte stream, as serial device servers offer) and "rfc2217://HOST:PORT" (Telnet with the
// serial port control option). HOST is a name, an IPv4 address or an IPv6 address in
// brackets ("[::1]").
#include <QString>
#include <optional>

namespace kvt {

enum class LineKind { Serial, RawTcp, Rfc2217 };

// The kind of port a device text names, by its scheme alone (case does not matter); every
// text without one of the two schemes is a serial device.
LineKind LineKindOf(const QString& device);

struct NetAddress {
  LineKind kind = LineKind::RawTcp;
  QString host;
  quint16 port = 0;
};

// nullopt for a serial device and for a network address without a host or without a port
// from 1 to 65535.
std::optional<NetAddress> ParseNetAddress(const QString& device);

}  // namespace kvt
