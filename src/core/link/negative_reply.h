// SPDX-License-Identifier: MIT
#pragma once
// Texts of the reader's negative replies.
#include <QString>
#include <optional>

#include "core/base/notifier.h"

namespace kvt {

// Text for a two-character error code (exact, case-sensitive); nullopt when unknown.
std::optional<QString> NegativeReplyText(const QString& code);

// The box ShowNegativeReply shows, for an operation that shows it later; nullopt when unknown.
std::optional<Message> NegativeReplyMessage(char e1, char e0);

// Shows the text of E1 E0 under "Negative response:" + E1 E0; unknown codes show nothing.
void ShowNegativeReply(Notifier& notifier, char e1, char e0);

}  // namespace kvt
