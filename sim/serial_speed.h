// SPDX-License-Identifier: MIT
// Mapping between termios speed constants and plain bit rates.
#pragma once

#include <termios.h>

namespace sim {

// 0 for a constant without a known rate (including B0).
int baudFromSpeed(speed_t speed);
// B0 for a rate that has no constant.
speed_t speedFromBaud(int baud);

// The rate set on a terminal: the output speed, or the input speed when the
// output speed is B0. 0 if unknown or tcgetattr fails.
int lineBaud(int fd);

}  // namespace sim
