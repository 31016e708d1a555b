// SPDX-License-Identifier: MIT
#pragma once
// The buttons of the PC/SC window as operations: each makes its service call with the
// handles held in PcscState and returns the lines for the result list. The window and
// kvt730ctl apply the outcome; nothing here knows about widgets.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/base/notifier.h"
#include "smart_card_service.h"

namespace kvt::pcsc {

// What the window holds between presses. Everything starts at 0.
struct PcscState {
  LONG lastResult = 0;
  SCARDCONTEXT context = 0;
  SCARDHANDLE card = 0;
  DWORD activeProtocol = 0;  // from Connect; the send header of Transmit carries it
};

// Room for the bytes of one APDU text.
constexpr int kSendBufferSize = 4085;
// Room for any reader list pcsc-lite can give (16 readers of up to 128 characters) and
// for any response APDU, extended length included.
constexpr DWORD kReaderListSize = 4096;
constexpr DWORD kAtrBufferSize = 33;
constexpr DWORD kReceiveBufferSize = 4 + 3 + 65536 + 3 + 2;

extern const QString kSeparator;  // "============================="

// The APDUs offered by CmdText, in order; the first is its initial text.
const QStringList& ApduChoices();
// The text of Label1.
QString DescriptionText();

struct PcscOutcome {
  LONG result = 0;
  bool called = false;                 // false: the input was refused, nothing was sent
  QStringList lines;                   // appended to the result list in this order
  std::optional<QStringList> readers;  // Get Readers List: the new entries of ReaderList
  std::optional<Message> message;      // Transmit: the refusal of the APDU text
  QByteArray received;                 // Transmit: the response APDU, when the call succeeded
  QByteArray atr;                      // SCard Status: the answer to reset, when the call succeeded
  bool ok() const { return called && result == 0; }
};

// The result code as upper-case hex of its 32 bits, left-padded with "0" to 8 digits.
QString ResultCodeText(LONG rc);
// Without padding, as Transmit shows it.
QString ResultCodeHex(LONG rc);
// What a result code means, in pcsc-lite's own words: "8010001D: Service not available."
QString ResultMeaning(LONG rc);

// "Send Data:" / "Receive Data:" dump: two digits and a space per byte, 20 bytes a line,
// continuation lines starting with ten spaces; the last, partial line always ends it.
QStringList DumpLines(const QString& label, const QByteArray& bytes);

// Names of a NUL-separated multi-string, stopping at an empty name or at `size`.
QStringList SplitReaderNames(const char* buffer, DWORD size);

// CLA INS P1 P2: no command APDU is shorter. A shorter one is never sent: some readers
// (the virtual reader among them) take it for a control message and never answer.
constexpr int kApduHeaderSize = 4;

// The bytes of an APDU text, or nullopt when it must be refused: odd length before
// trimming, odd length after trimming, a character that is not a hex digit, fewer bytes
// than the APDU header or more than the send buffer holds.
std::optional<QByteArray> ParseApduText(const QString& text);

PcscOutcome EstablishContext(SmartCardService& s, PcscState& st);
PcscOutcome ListReaders(SmartCardService& s, PcscState& st);
PcscOutcome Connect(SmartCardService& s, PcscState& st, const QString& readerName);
PcscOutcome BeginTransaction(SmartCardService& s, PcscState& st);
PcscOutcome Status(SmartCardService& s, PcscState& st);
PcscOutcome Transmit(SmartCardService& s, PcscState& st, const QString& apduText);
PcscOutcome EndTransaction(SmartCardService& s, PcscState& st);
PcscOutcome Disconnect(SmartCardService& s, PcscState& st);
PcscOutcome ReleaseContext(SmartCardService& s, PcscState& st);

// When the window goes: End Transaction (leave the card), Disconnect (reset the card)
// and Release Context with the handles held, results ignored, nothing shown.
void Unload(SmartCardService& s, PcscState& st);

}  // namespace kvt::pcsc
