// SPDX-License-Identifier: MIT
#pragma once
// Texts that came from files and readers made fit for the formats we write: XML 1.0 takes
// no control characters but tab, line feed and carriage return, and neither format takes a
// lone surrogate (half of a UTF-16 pair).
#include <QString>

namespace kvt::report {

// Lone surrogates become U+FFFD; everything else stays.
QString WellFormedText(const QString& text);

// As WellFormedText, and each character XML 1.0 cannot hold (controls below 20h other than
// tab, LF and CR; FFFE and FFFF) written as "\xNN" or "\uNNNN".
QString XmlSafeText(const QString& text);

}  // namespace kvt::report
