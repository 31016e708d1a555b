#pragma once
// The --help text.
#include <QString>

namespace kvt::cli {

QString UsageText();

}  // namespace kvt::cli
