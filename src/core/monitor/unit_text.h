// SPDX-License-Identifier: MIT
#pragma once
// The ways a unit is written out: one text line, one JSON object (JSON Lines), and the
// lines of the communication log the windows save.
#include <QByteArray>
#include <QString>

#include "line_unit.h"

namespace kvt::monitor {

// "F2 00 00 03 43 31 30 03 B0": upper-case hex, one space between bytes.
QString SpacedHex(const QByteArray& bytes);

// "2024-05-17 09:41:03.512345" in local time, and "2024-05-17T07:41:03.512345Z" in UTC.
QString LocalTimeText(qint64 timeUs);
QString UtcTimeText(qint64 timeUs);

// What the unit is, after its bytes: "command 31 30 Card Status", "reply P 31 30 Card Status:
// Card Status Success / ...", "ACK", "bad frame: wrong check byte B1, expected B0 (command
// 31 30 Card Status)", "noise: 3 bytes outside any frame", "timeout: ...", "event: ...".
QString Describe(const LineUnit& u);

// Local time, direction, bytes ("-" for none), " | " and Describe(): one line, no line end.
QString TextLine(const LineUnit& u);

// One JSON object on one line, no line end: time, from, bytes, kind, text, and by kind
// address, check, command, name, data, reply, meaning, problem.
QByteArray JsonLine(const LineUnit& u);

// The unit as the communication log holds it ("SD: " for the application's bytes, "RD: "
// for the reader's, CRLF line ends, a blank line after the exchange's closing ACK or a
// NAK). Timeouts and events carry no bytes and give nothing.
QString LogText(const LineUnit& u);

}  // namespace kvt::monitor
