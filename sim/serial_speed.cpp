// SPDX-License-Identifier: MIT
#include "sim/serial_speed.h"

namespace sim {
namespace {

struct SpeedPair {
  speed_t speed;
  int baud;
};

constexpr SpeedPair kSpeeds[] = {
    {B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
    {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
    {B230400, 230400},
};

}  // namespace

int baudFromSpeed(speed_t speed) {
  for (const auto& p : kSpeeds)
    if (p.speed == speed) return p.baud;
  return 0;
}

speed_t speedFromBaud(int baud) {
  for (const auto& p : kSpeeds)
    if (p.baud == baud) return p.speed;
  return B0;
}

int lineBaud(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return 0;
  speed_t s = cfgetospeed(&t);
  if (s == B0) s = cfgetispeed(&t);
  return baudFromSpeed(s);
}

}  // namespace sim
