// SPDX-License-Identifier: MIT
#pragma once
// What the result windows show, printed as "name: value" lines.
#include "core/base/app_state.h"
#include "core/link/frame.h"

namespace kvt::cli {

// The sensor window: one row per sensor of the variant (12 on B, 8 on M).
void PrintSensorRows(const AppState& state, Variant variant);

// The configuration window: the eight rows decoded from ConfigBytes.
void PrintConfigRows(const AppState& state);

// The serial number window.
void PrintSerialNumber(const AppState& state);

// The counter box.
void PrintCounter(const QString& counterText);

// The reply text (kind to the last data byte) in hex, for "send".
void PrintReplyText(const ReplyBuffer& reply);

}  // namespace kvt::cli
