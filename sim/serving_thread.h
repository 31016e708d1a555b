// SPDX-License-Identifier: MIT
// The end of a host's serving thread (pseudo-terminal or socket): the thread polls its
// descriptors and a wake-up pipe, so stopping it is a flag, a byte into the pipe and a join.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <initializer_list>
#include <thread>

namespace sim {

inline void StopServing(std::atomic<bool>& stopping, int wakeFd, std::thread& thread) {
  if (!thread.joinable()) return;
  stopping = true;
  const char x = 'x';
  while (write(wakeFd, &x, 1) < 0 && errno == EINTR) {
  }
  thread.join();
}

// Closes each descriptor that is open and marks it closed.
inline void CloseAll(std::initializer_list<int*> fds) {
  for (int* fd : fds) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

}  // namespace sim
