// SPDX-License-Identifier: MIT
#pragma once
// The version of the programs, as --version, the About box and the reports name it.
#include <QString>

namespace kvt {

QString ToolVersion();

}  // namespace kvt
