// SPDX-License-Identifier: MIT
#pragma once
// A smart-card service whose calls never hold their caller for long: each call runs on a
// thread of its own while the caller waits at most a bound, painting its windows (or
// blocking, on the command line). A call that has not answered by then gives
// SCARD_E_TIMEOUT and is left to finish alone; when it does, the card it worked on is
// released (disconnected with a reset), so that the next Connect finds the reader free.
// Until then, further calls on that call's context give SCARD_E_TIMEOUT at once: the
// service library serves one call per context at a time. A new context works meanwhile.
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "core/link/port_wait.h"
#include "smart_card_service.h"

namespace kvt {

class BoundedService : public SmartCardService {
 public:
  static constexpr int kDefaultBoundMs = 10000;

  BoundedService(std::unique_ptr<SmartCardService> inner, WaitMode mode, int boundMs = kDefaultBoundMs);

  LONG establishContext(DWORD scope, SCARDCONTEXT* context) override;
  LONG listReaders(SCARDCONTEXT context, char* readers, DWORD* length) override;
  LONG connect(SCARDCONTEXT context, const char* reader, DWORD shareMode, DWORD preferredProtocols,
               SCARDHANDLE* card, DWORD* activeProtocol) override;
  LONG beginTransaction(SCARDHANDLE card) override;
  LONG status(SCARDHANDLE card, DWORD* state, DWORD* protocol, BYTE* atr, DWORD* atrLength) override;
  LONG transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendHeader, const BYTE* send, DWORD sendLength,
                SCARD_IO_REQUEST* receiveHeader, BYTE* receive, DWORD* receiveLength) override;
  LONG endTransaction(SCARDHANDLE card, DWORD disposition) override;
  LONG disconnect(SCARDHANDLE card, DWORD disposition) override;
  LONG releaseContext(SCARDCONTEXT context) override;

  // What runs when an abandoned call finally returns: its result, and the service to tidy
  // up with.
  using Tidy = std::function<void(SmartCardService&, LONG result)>;
  // A call on the inner service, made on a thread of its own.
  using Call = std::function<LONG(SmartCardService&)>;

 private:
  // Runs `call` for `context` (0: none yet); SCARD_E_TIMEOUT when the bound passes or the
  // context still has an abandoned call running.
  LONG run(SCARDCONTEXT context, Call call, Tidy tidy);
  SCARDCONTEXT contextOf(SCARDHANDLE card);

  struct Shared {
    std::mutex mu;
    std::set<SCARDCONTEXT> stuck;  // contexts with an abandoned call still running
  };
  std::shared_ptr<SmartCardService> inner_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::map<SCARDHANDLE, SCARDCONTEXT> cards_;  // which context each connected card belongs to
  WaitMode mode_;
  int boundMs_;
};

}  // namespace kvt
