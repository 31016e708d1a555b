// SPDX-License-Identifier: MIT
#include "documented_messages.h"

#include "core/cmdline/script_control.h"
#include "core/cmdline/script_transport.h"
#include "core/contact/contact_ops.h"
#include "core/contact/ic_type_ops.h"
#include "core/link/engine.h"
#include "core/link/negative_reply.h"
#include "core/machine/movement_ops.h"
#include "core/machine/status_ops.h"
#include "core/rf/rf_activation_ops.h"
#include "core/rf/rf_ops.h"

namespace kvt::soak {

namespace {

const MessageIcon kInfo = MessageIcon::Information;
const MessageIcon kWarn = MessageIcon::Warning;

// One of the texts, as a regular expression.
QString AnyOf(const QStringList& texts) {
  QStringList escaped;
  for (const QString& t : texts) escaped << QRegularExpression::escape(t);
  return QStringLiteral("(?:") + escaped.join(QLatin1Char('|')) + QLatin1Char(')');
}

}  // namespace

void DocumentedMessages::exact(MessageIcon icon, const QString& title, const QString& text) {
  pattern(icon, title, QRegularExpression::escape(text));
}

void DocumentedMessages::pattern(MessageIcon icon, const QString& title, const QString& regex) {
  patterns_.push_back({icon, title,
                       QRegularExpression(QStringLiteral("\\A") + regex + QStringLiteral("\\z"),
                                          QRegularExpression::DotMatchesEverythingOption)});
}

bool DocumentedMessages::contains(const Message& m) const {
  for (const Pattern& p : patterns_)
    if (p.icon == m.icon && p.title == m.title && p.text.match(m.text).hasMatch()) return true;
  return false;
}

DocumentedMessages::DocumentedMessages() {
  const QString crlf = QStringLiteral("\r\n");

  // The exchange engine and the data checks of the fields.
  for (const QString& t : {kUnitNotDetected, kDataError, kTimeOut, kPortSetupFirst}) exact(kWarn, kCaution, t);

  // The reader's negative replies.
  const QString digits = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  for (QChar e1 : digits)
    for (QChar e0 : digits) {
      const QString code = QString(e1) + e0;
      if (const auto text = NegativeReplyText(code)) exact(kInfo, QStringLiteral("Negative response:") + code, *text);
    }

  // The card machine.
  const char statusChars[] = {'0', '1', '2', 'x'};
  for (char a : statusChars)
    for (char b : statusChars)
      for (char c : statusChars) exact(kInfo, QStringLiteral("Card Status"), CardStatusText(a, b, c));
  for (const MovementInfo& m : kMovements)
    exact(kInfo, QString::fromLatin1(m.title), QString::fromLatin1(m.success));
  pattern(kInfo, QStringLiteral("INITIALIZE"), QStringLiteral("INITIALIZE Success\r\nInitialize Information: .*\r\nFireware Ver:.*"));
  exact(kInfo, QStringLiteral("Read Counter"), QStringLiteral("Read Counter Success"));
  exact(kInfo, QStringLiteral("InitializeI Counter"), QStringLiteral("InitializeI Counter Success"));

  // Contact cards.
  QStringList icCodes{QStringLiteral("00"), QStringLiteral("unknown")};
  for (const IcTypeInfo& t : kIcTypes) icCodes << QString::fromLatin1(t.code);
  for (const QString& code : icCodes)
    exact(kInfo, QStringLiteral("Test IC Type"), QStringLiteral("Test IC Type Complete") + crlf + IcTypeText(code));
  const QStringList sizes{"24C01", "24C02", "24C04", "24C08", "24C16", "24C32", "24C64", "24C128", "24C256", "24C512"};
  exact(kInfo, QStringLiteral("Activate"), QStringLiteral("SLE4442 Activate success"));
  exact(kInfo, QStringLiteral("Activate"), QStringLiteral("SLE4428 Activate success"));
  for (const QString& s : sizes) exact(kInfo, QStringLiteral("Activate"), s + QStringLiteral(" Activate Success"));
  for (const char* t : {"SLE4442/4428 Deactivated", "SLE4442 Activated", "SLE4428 Activated"})
    exact(kInfo, QStringLiteral("Inquire Status"), QString::fromLatin1(t));
  exact(kInfo, QStringLiteral("Inquire Status)"), QStringLiteral("Non_card(24CXXX) actived"));
  for (const QString& s : sizes) exact(kInfo, QStringLiteral("Inquire Status)"), s + QStringLiteral(" actived"));
  exact(kInfo, QStringLiteral("Deactivate"), QStringLiteral("Deactivate success"));
  exact(kInfo, QStringLiteral("Deactivate"), QStringLiteral("Deactivate Success"));
  QStringList statusWords;
  for (const char* sw : {"9000", "6700", "6B00", "6F00", "6F01", "6F02", "6D00", "6E00", "0000"})
    statusWords << StatusWordText(QString::fromLatin1(sw));
  pattern(kInfo, QStringLiteral("Transmit Command"), AnyOf(statusWords) + QStringLiteral("\r\n(?:[0-9A-F]*\r\n)?[0-9A-F]{4}"));
  exact(kWarn, kCaution, QStringLiteral("Address out of range"));
  exact(kWarn, kCaution, QStringLiteral("Please Choose SAM Number First"));
  exact(kInfo, QStringLiteral("Cold Reset"), QStringLiteral("Cold Reset Success(T=0)"));
  exact(kInfo, QStringLiteral("Cold Reset"), QStringLiteral("Cold Reset Success(T=1)"));
  for (const char* t : {"T=0", "T=1"})
    exact(kInfo, QStringLiteral("Negative response:69"),
          QStringLiteral("Tried to communicate with IC card not supported in Protocol EMV2000.") + crlf + QLatin1String(t));
  const QStringList activation{"Card is not activated", "The card has been activated, working frequency of 3.57 MHZ",
                               "The card has been activated, working frequency of 7.16 MHZ"};
  const QStringList samLines{"Current SAM card is  No.1 ", "Current SAM card is  No.2", "Current SAM card is  No.3",
                             "Current SAM card is  No.4", "Current SAM card is  No.5", ""};
  for (const QString& a : activation) exact(kInfo, QStringLiteral("Card Status"), a);
  for (const QString& a : activation + QStringList{QString()})
    for (const QString& s : samLines) exact(kInfo, QStringLiteral("Card Status"), a + crlf + s);
  exact(kInfo, QStringLiteral("C-APDU"), QStringLiteral("Success"));
  exact(kInfo, QStringLiteral("Choose SAM"), QStringLiteral("Choose SAM Success"));

  // Contactless cards.
  QStringList rfCodes{QStringLiteral("unknown")};
  for (const RfTypeInfo& t : kRfTypes) rfCodes << QString::fromLatin1(t.code);
  const QString activated = QStringLiteral("The RF Card is activated");
  for (const QString& code : rfCodes) {
    exact(kInfo, QStringLiteral("Test RF Type"), QStringLiteral("Test RF Type Complete") + crlf + RfTypeText(code));
    exact(kInfo, QStringLiteral("Inquire Status"), activated + crlf + RfInquireText(code));
  }
  for (const char* name : {"Mifare one UL card", "Mifare one S50 card", "Mifare one S70 card", ""})
    exact(kInfo, QStringLiteral("Activate"), activated + crlf + QLatin1String(name));
  for (const char* type : {"A", "B"})
    exact(kInfo, QStringLiteral("Activate"),
          activated + QStringLiteral(" ") + crlf +
              QStringLiteral("the card in line with ISO / IEC 14443 Type %1 protocol").arg(QLatin1String(type)));
  const QString rfStatus = AnyOf({RfStatusText(QStringLiteral("9000")), RfStatusText(QStringLiteral("6F00")), QString()});
  const struct {
    const char* title;
    const char* head;
  } boxes[] = {{"Download password to EEPROM", "Download password to EEPROM "},
               {"Load password from the EEPROM", "Load password from the EEPROM "},
               {"Check Password", "Check Password"},
               {"Change Password", "Change Password"},
               {"Read block data", "Read block data"},
               {"Write Block Data", "Write Block Data"},
               {"Initialize", "Initialize success"},
               {"Increment", "Increment"},
               {"Decrement", "Decrement"},
               {"Read", "Read success"}};
  for (const auto& b : boxes)
    pattern(kInfo, QString::fromLatin1(b.title),
            QRegularExpression::escape(QString::fromLatin1(b.head)) + QStringLiteral("\r\n") + rfStatus +
                QStringLiteral("\r\n[0-9A-F]{4}"));
  for (const QString& t : {kInputDataFirst, QStringLiteral("Write Prohibit In The Block"),
                           QStringLiteral("The block does not support the purse operation"),
                           QStringLiteral("The block is the vendor code area, the block is not written")})
    exact(kWarn, kCaution, t);
  exact(MessageIcon::Question, kCaution, kModifyTrailerQuestion);

  // Script runs.
  exact(kWarn, QStringLiteral("caution"), kConnectFirst);
  for (const QString& t : {kValueAboveZero, kStopMessage, kCancelMessage}) exact(kWarn, kCaution, t);
  pattern(kWarn, kCaution, QStringLiteral("Line [0-9]+ \".*\" is not sent: .+"));
}

}  // namespace kvt::soak
