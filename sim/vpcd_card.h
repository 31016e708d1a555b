// SPDX-License-Identifier: MIT
// Puts a SimCard into pcscd's virtual reader. The vsmartcard driver (vpcd) listens on a
// local TCP port and the card joins it as a client. Every message in either direction
// is a 2-byte big-endian length and a payload. From vpcd, a one-byte payload is a
// control code (0x00 power off, 0x01 power on, 0x02 reset, 0x04 "send your ATR"),
// anything longer is a command APDU. The card answers the ATR request with its ATR and
// each APDU with the response APDU; the other control codes get no answer.
//
// One thread serves the link. It connects, serves until vpcd closes the link (pcscd
// stopped) and connects again; when vpcd cannot be reached for waitSeconds in a row
// the host gives up and finished() turns true.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sim/sim_card_apdu.h"

namespace sim {

constexpr uint8_t kVpcdPowerOff = 0x00;
constexpr uint8_t kVpcdPowerOn = 0x01;
constexpr uint8_t kVpcdReset = 0x02;
constexpr uint8_t kVpcdAtr = 0x04;

struct VpcdOptions {
  std::string host = "127.0.0.1";
  int port = 35963;  // Debian's reader.conf.d entry for vpcd: CHANNELID 0x8C7B
  int waitSeconds = 60;
  int retryMs = 200;
};

// The message as it goes on the wire. Payloads above 65535 bytes cannot be sent.
Bytes vpcdFrame(const Bytes& payload);

// Takes every complete message off the front of `buffer`, in order.
std::vector<Bytes> takeVpcdMessages(Bytes& buffer);

// What the card sends back for one message from vpcd; nothing for power and reset.
std::optional<Bytes> answerVpcdMessage(SimCard& card, const Bytes& payload);

class VpcdCardHost {
 public:
  VpcdCardHost(SimCard& card, VpcdOptions options);
  ~VpcdCardHost();  // stops
  VpcdCardHost(const VpcdCardHost&) = delete;
  VpcdCardHost& operator=(const VpcdCardHost&) = delete;

  // Starts the serving thread. False with a message if it is running or a pipe fails.
  bool start(std::string* error = nullptr);
  // Ends the link and the thread. Safe to call twice.
  void stop();

  bool connected() const { return connected_; }
  int connections() const { return connections_; }
  // True once the host gave up waiting for vpcd; failure() says why.
  bool finished() const { return finished_; }
  std::string failure() const;

 private:
  void run();
  int connectOnce() const;  // a connected socket, or -1
  void serve(int fd);
  bool pause(int ms);        // false when stop() was called meanwhile

  SimCard& card_;
  const VpcdOptions options_;
  std::thread thread_;
  int wakeRead_ = -1, wakeWrite_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> connected_{false};
  std::atomic<bool> finished_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mu_;
  std::string failure_;
};

}  // namespace sim
