// SPDX-License-Identifier: MIT
#pragma once
// What the contactless buttons share: the "RF CARD" pages they bring to the front, the
// contactless card command (0x60 "3" with an APDU-style header) with its status word,
// the status-word table with "Exxcute OK" and the result box.
#include <QStringList>

#include "core/machine/operation.h"

namespace kvt {

constexpr uint8_t kRfCommand = 0x60;
constexpr uint8_t kRfCardCommand = '3';  // Mifare and Ultralight commands

// The card pages of the "RF CARD" tab. Bringing one to the front also brings "RF CARD"
// (SSTab1 page 0) and, for the Mifare pages, "MIFARE" (SSTab3 page 0).
enum class RfPage { S50S70, Ultralight, TypeA, TypeB };
// The SSTab3 page of a card page and, for the Mifare pages, the SSTab4 page.
int RfOuterPage(RfPage p);
std::optional<int> RfMifarePage(RfPage p);

// The texts of the "Please input the data first" and write-confirmation boxes.
extern const QString kInputDataFirst;
extern const QString kModifyTrailerQuestion;  // "Are you sure to modify" CR LF "the password ..."

// "9000" -> "Exxcute OK", "6F00" -> "Execute Error", anything else -> "".
QString RfStatusText(const QString& sw);
// SW1 SW2 of a contactless reply (bytes L-4 and L-3) as four digits.
QString RfStatusWord(const ReplyBuffer& r);
// The result box: head, CR LF, status text, CR LF, status word; information icon.
Message RfResultBox(const QString& title, const QString& head, const QString& sw);

// A warning box under "Caution".
Message Caution(const QString& text);

// One contactless card command and the box that reports it.
struct RfCardCommand {
  QString title;  // result box title
  QString head;   // result box head text
  QByteArray data;  // 00 INS P1 P2 [...]
};

// The road of a Mifare or Ultralight button once the port check, the log start and its
// own checks have passed: the contactless card command, and for a positive reply the
// result box with the reply's status word; then the closing line break. The caller
// decodes the reply's data when the outcome is Done.
Outcome SendRfCardCommand(Session& s, const QString& addressText, const RfCardCommand& c);

// Ends an operation refused by one of its checks: nothing was sent, no line break.
Outcome Refused(OpStatus status, const std::optional<Message>& message = std::nullopt);

}  // namespace kvt
