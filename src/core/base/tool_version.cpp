// SPDX-License-Identifier: MIT
#include "tool_version.h"

#ifndef KVT_VERSION
#define KVT_VERSION "0.0.0"
#endif

namespace kvt {

QString ToolVersion() { return QStringLiteral(KVT_VERSION); }

}  // namespace kvt
