// SPDX-License-Identifier: MIT
#pragma once
// The card in the RF field as a whole: "RF Card Type" (RFTestTypeCmd, 0x50 "1"), and the
// "RF CARD" tab's "Activate" (RFCardUPBtn, 0x60 "0"), "Deactivate" (RFCardDownBtn,
// 0x60 "1") and "Inquire Status" (RFCardStatusBtn, 0x60 "2").
#include "rf_ops.h"

namespace kvt {

struct RfTypeInfo {
  const char* code;        // two characters as the reader sends them
  const char* typeText;    // "RF Card Type" box
  const char* statusText;  // "Inquire Status" box
  std::optional<RfPage> page;
};
// The known type codes, "00" (no card) first.
extern const RfTypeInfo kRfTypes[6];

// The box texts for a code (spaces trimmed): "Unknow Error" and "" for unknown codes.
QString RfTypeText(const QString& code);
QString RfInquireText(const QString& code);

struct RfTypeOutcome : Outcome {
  std::optional<RfPage> page;  // brought to the front before the message appears
};
RfTypeOutcome RfCardType(Session& s, const QString& addressText);

// RFCardUPCombbox: the polling orders and the protocol letters each sends.
QStringList RfActivationOrders();
std::optional<QByteArray> RfOrderLetters(int index);

struct ActivateOutcome : Outcome {
  // Set once the port check has passed: RFmessageLabel, ULRFmessage, CPURFTypeAmessage,
  // ATRTypeAText and ATRTypeBText are emptied and then given these texts (empty for the
  // fields the answer does not fill).
  bool clearFields = false;
  QString mifareSn;      // RFmessageLabel
  QString ultralightSn;  // ULRFmessage
  QString typeASn;       // CPURFTypeAmessage
  QString typeAAnswer;   // ATRTypeAText: the answer to select
  QString typeBAnswer;   // ATRTypeBText: the ATQB
  std::optional<RfPage> page;
};
ActivateOutcome RfActivate(Session& s, const QString& addressText, int orderIndex);

Outcome RfDeactivate(Session& s, const QString& addressText);
Outcome RfInquireStatus(Session& s, const QString& addressText);

}  // namespace kvt
