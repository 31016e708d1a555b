// SPDX-License-Identifier: MIT
#pragma once
// Waits of the exchange engine and of the port probes, in milliseconds.
namespace kvt {

struct Timeouts {
  int ack = 3000;        // acknowledgement after a command
  int header = 10000;    // 4 header bytes of the reply
  int remainder = 6000;  // text, ETX and BCC of the reply
  int eotAnswer = 3000;  // anything after a cancelling EOT
  // verify probe of the port setup
  int probeAck = 3000;
  int probeHeader = 3000;
  int probeRemainder = 3000;
  // silent scan probe
  int scanDelay = 250;
  int scanHeader = 5000;
  int scanRemainder = 3000;

  // Every wait divided by `factor` (at least 1 ms); tests use it to run the failure paths quickly.
  Timeouts scaled(int factor) const;
};

}  // namespace kvt
