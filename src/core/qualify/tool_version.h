// SPDX-License-Identifier: MIT
#pragma once
// The version of the programs, as the reports name it.
#include <QString>

namespace kvt::qualify {

QString ToolVersion();

}  // namespace kvt::qualify
