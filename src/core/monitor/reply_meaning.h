// SPDX-License-Identifier: MIT
#pragma once
// What a reply says, in the words the windows show: the decoded status of a positive reply
// where an operation decodes it, the error text of a negative one.
#include <QString>

#include "core/link/frame.h"

namespace kvt::monitor {

// `reply` is the reply buffer as the engine hands it to an operation (from the kind "P" or
// "N" to the check byte). Positive replies of the commands the tool decodes get the text
// of the operation's box, its lines joined by " / " ("Card Status Success / No card in card
// channel / ..."); others "positive, status 30 30 30". Negative replies give the box line
// "Negative response:10 | Card jam", or "Negative response:7A (no text for this code)".
QString ReplyMeaning(const ReplyBuffer& reply);

}  // namespace kvt::monitor
