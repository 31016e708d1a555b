// SPDX-License-Identifier: MIT
#pragma once
// "pcsc list" and "pcsc transmit [--reader NAME] APDU...": the PC/SC window's buttons in
// their working order, printing the lines the window puts in its result list.
#include <QString>

#include "cli_options.h"
#include "commands.h"

namespace kvt {
class SmartCardService;
}

namespace kvt::cli {

// Checks the operands (every APDU text as the window's Transmit would) before anything runs.
Runner BindPcsc(const CliOptions& o, QString* error);

// The two sequences on a given service. Exit status 0 when every call succeeded, 5 otherwise.
int RunPcscList(SmartCardService& service);
int RunPcscTransmit(SmartCardService& service, const QString* reader, const QStringList& apdus);

}  // namespace kvt::cli
