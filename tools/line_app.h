// SPDX-License-Identifier: MIT
#pragma once
// Stands in for another program that drives a reader, for the Line Monitor's picture: it
// opens the terminal the monitor made and runs a few operations through it.
#include <QString>

namespace shots {

// Card status, sensor status, the serial number, a move to the IC position and a command
// the reader does not know, on `device` at 9600 bits/s, address 0. False when the device
// does not open.
bool RunApplication(const QString& device);

}  // namespace shots
