// SPDX-License-Identifier: MIT
// Puts a Reader on a TCP socket, raw bytes both ways, as a serial device server in raw
// mode would: one client at a time, and a new client replaces the old one (its pending
// replies go with it). The reader keeps its state from one client to the next, and may be
// shared with a PtyHost. One thread serves: it sleeps in poll() until a client connects,
// bytes arrive, an emission falls due, or stop() wakes it. A socket has no line speed:
// the reader hears every byte.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "sim/serving_thread.h"

namespace sim {

// "tcp://HOST:PORT" (HOST a name or address, an IPv6 address in brackets, PORT 0 to
// 65535) into its parts; false if it is not of that form.
bool parseListenAddress(const std::string& text, std::string* host, int* port);

class TcpHost : public ServingHost {
 public:
  explicit TcpHost(std::shared_ptr<SharedReader> reader = nullptr);
  ~TcpHost();  // stops

  // Listens on host:port (port 0: a free port) and starts serving. False with a message if
  // the address cannot be used or it is running.
  bool start(const std::string& host, int port, std::string* error = nullptr);
  // Stops serving; the client and the listening socket are closed. Safe to call twice.
  void stop();

  int port() const { return port_; }  // the port listened on, once started
  std::string address() const;         // "tcp://HOST:PORT"

  // The server goes away at once: client and listener closed, serving ends.
  void vanish() { stop(); }
  int connections() const { return connections_; }  // clients accepted so far

 private:
  void run();
  void dropClient();
  void closeFds();

  std::string host_;
  int port_ = 0;
  std::atomic<int> connections_{0};
  int listen_ = -1;
  int client_ = -1;
};

}  // namespace sim
