// SPDX-License-Identifier: MIT
// kvt730-sim: a simulated KVT-730 reader on a pseudo-terminal and/or a TCP socket.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/pty_host.h"
#include "sim/sim_card_apdu.h"
#include "sim/sim_options.h"
#include "sim/tcp_host.h"
#include "sim/vpcd_card.h"

#ifndef KVT_SIM_VERSION
#define KVT_SIM_VERSION "0.0.0"
#endif

namespace {

constexpr size_t kHistoryLimit = 1 << 20;

// Points `link` at `target`, replacing an older symlink but nothing else.
bool makeLink(const std::string& link, const std::string& target, std::string* error) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      *error = link + " exists and is not a symlink";
      return false;
    }
    unlink(link.c_str());
  }
  if (symlink(target.c_str(), link.c_str()) != 0) {
    *error = "cannot create " + link + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// --pcsc-card: the virtual SIM in pcscd's virtual reader until a stop signal, or until
// the reader stays away too long (exit status 1).
int servePcscCard(const sim::SimOptions& opts, const sigset_t& stopSignals) {
  sim::SimCard card;
  sim::VpcdOptions vo;
  vo.host = opts.vpcdHost;
  vo.port = opts.vpcdPort;
  vo.waitSeconds = opts.vpcdWait;
  sim::VpcdCardHost host(card, vo);
  std::string error;
  if (!host.start(&error)) {
    std::fprintf(stderr, "kvt730-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("PCSC-CARD %s:%d\n", vo.host.c_str(), vo.port);
  std::fflush(stdout);
  const timespec tick{0, 200 * 1000 * 1000};
  while (sigtimedwait(&stopSignals, nullptr, &tick) < 0) {
    if (host.finished()) {
      std::fprintf(stderr, "kvt730-sim: %s\n", host.failure().c_str());
      return 1;
    }
  }
  host.stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  sim::SimOptions opts;
  std::string error;
  if (!sim::parseSimOptions(std::vector<std::string>(argv + 1, argv + argc), &opts, &error)) {
    std::fprintf(stderr, "kvt730-sim: %s\n\n%s", error.c_str(), sim::simUsage().c_str());
    return 2;
  }
  if (opts.help) {
    std::fputs(sim::simUsage().c_str(), stdout);
    return 0;
  }
  if (opts.version) {
    std::printf("kvt730-sim %s\n", KVT_SIM_VERSION);
    return 0;
  }

  // Block the stop signals before the serving thread exists so that it
  // inherits the mask and only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  if (opts.pcscCard) return servePcscCard(opts, stopSignals);

  // One reader behind every line, so it keeps its state whichever line a command takes.
  auto reader = std::make_shared<sim::SharedReader>();
  sim::applySimOptions(opts, reader->reader);
  sim::TcpHost socketHost(reader);
  sim::PtyHost host(reader);
  // Nobody reads the byte history of the program's reader: a week's run keeps the last MiB.
  socketHost.setHistoryLimit(kHistoryLimit);
  host.setHistoryLimit(kHistoryLimit);
  if (!opts.listenHost.empty() && !socketHost.start(opts.listenHost, opts.listenPort, &error)) {
    std::fprintf(stderr, "kvt730-sim: %s\n", error.c_str());
    return 1;
  }
  if (!opts.noPty) {
    if (!host.start(&error)) {
      std::fprintf(stderr, "kvt730-sim: %s\n", error.c_str());
      return 1;
    }
    if (!opts.link.empty() && !makeLink(opts.link, host.slavePath(), &error)) {
      std::fprintf(stderr, "kvt730-sim: %s\n", error.c_str());
      return 1;
    }
  }

  if (socketHost.running()) std::printf("LISTEN %s\n", socketHost.address().c_str());
  if (host.running()) std::printf("DEVICE %s\n", host.slavePath().c_str());
  std::fflush(stdout);

  int sig = 0;
  while (sigwait(&stopSignals, &sig) != 0) {
  }
  socketHost.stop();
  host.stop();
  // Replies the host read but never acknowledged: a host that loses its own ACKs shows here.
  int unacknowledged = 0;
  {
    std::lock_guard<std::mutex> lock(reader->mu);
    unacknowledged = reader->reader.unacknowledgedReplies();
  }
  std::printf("UNACKNOWLEDGED-REPLIES %d\n", unacknowledged);
  std::fflush(stdout);
  if (!opts.link.empty()) unlink(opts.link.c_str());
  return 0;
}
