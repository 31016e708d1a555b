// SPDX-License-Identifier: MIT
#pragma once
// The "SD: " / "RD: " lines of the communication log.
#include <QByteArray>
#include <QString>

namespace kvt {

extern const QString CRLF;

// "SD: " and the frame, wrapped after 24 bytes and then every 25, each continuation
// indented by seven spaces; ends with CRLF.
QString SentLine(const QByteArray& frame);

// "RD: " or "SD: " with one control byte (no trailing space) and CRLF.
QString ControlLine(const char* prefix, uint8_t byte);

// "RD: " with the 4 header bytes of a reply (the line goes on with the remainder).
QString HeaderText(const QByteArray& header);

// The reply remainder after its header: wrapped where the byte's position plus four is a
// multiple of 25 (not after the last byte), seven spaces indenting; ends with CRLF.
QString RemainderText(const QByteArray& remainder);

}  // namespace kvt
