// SPDX-License-Identifier: MIT
#include "bounded_service.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>
#include <vector>

namespace kvt {

namespace {

using Clock = std::chrono::steady_clock;

// One call in flight, shared by the caller and the thread that makes it.
struct Pending {
  std::mutex mu;
  std::condition_variable cv;
  bool done = false;
  bool abandoned = false;  // the caller stopped waiting; the thread tidies up
  LONG result = 0;
};

}  // namespace

BoundedService::BoundedService(std::unique_ptr<SmartCardService> inner, WaitMode mode, int boundMs)
    : inner_(std::move(inner)), mode_(mode), boundMs_(std::max(1, boundMs)) {}

LONG BoundedService::run(SCARDCONTEXT context, Call call, Tidy tidy) {
  {
    std::lock_guard<std::mutex> lock(shared_->mu);
    if (context != 0 && shared_->stuck.count(context)) return SCARD_E_TIMEOUT;
  }
  auto pending = std::make_shared<Pending>();
  std::thread([pending, inner = inner_, shared = shared_, context, call = std::move(call), tidy = std::move(tidy)] {
    const LONG result = call(*inner);
    bool abandoned = false;
    {
      std::lock_guard<std::mutex> lock(pending->mu);
      pending->done = true;
      pending->result = result;
      abandoned = pending->abandoned;
    }
    pending->cv.notify_all();
    if (!abandoned) return;
    if (tidy) tidy(*inner, result);
    std::lock_guard<std::mutex> lock(shared->mu);
    shared->stuck.erase(context);
  }).detach();

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(boundMs_);
  std::unique_lock<std::mutex> lock(pending->mu);
  if (mode_ == WaitMode::Block || !QCoreApplication::instance()) {
    pending->cv.wait_until(lock, deadline, [&] { return pending->done; });
  } else {
    // The windows keep painting; the call's end is looked for every few milliseconds.
    while (!pending->done && Clock::now() < deadline) {
      lock.unlock();
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      KeepPaintingWait wait;
      wait.exec(static_cast<int>(std::clamp<long long>(left, 1, 10)));
      lock.lock();
    }
  }
  if (pending->done) return pending->result;
  // Marked under the call's lock, so the thread either sees it or has not finished yet.
  pending->abandoned = true;
  if (context != 0) {
    std::lock_guard<std::mutex> stuckLock(shared_->mu);
    shared_->stuck.insert(context);
  }
  return SCARD_E_TIMEOUT;
}

SCARDCONTEXT BoundedService::contextOf(SCARDHANDLE card) {
  const auto it = cards_.find(card);
  return it == cards_.end() ? 0 : it->second;
}

namespace {

// A card left in the middle of a call: given back with a reset once the call is over.
BoundedService::Tidy ReleaseCard(SCARDHANDLE card) {
  return [card](SmartCardService& s, LONG) { s.disconnect(card, SCARD_RESET_CARD); };
}

}  // namespace

LONG BoundedService::establishContext(DWORD scope, SCARDCONTEXT* context) {
  auto made = std::make_shared<SCARDCONTEXT>(0);
  const LONG rc = run(
      0, [scope, made](SmartCardService& s) { return s.establishContext(scope, made.get()); },
      [made](SmartCardService& s, LONG result) {
        if (result == SCARD_S_SUCCESS) s.releaseContext(*made);
      });
  if (rc == SCARD_S_SUCCESS) *context = *made;
  return rc;
}

LONG BoundedService::listReaders(SCARDCONTEXT context, char* readers, DWORD* length) {
  struct Out {
    std::vector<char> readers;
    DWORD length;
  };
  auto out = std::make_shared<Out>(Out{std::vector<char>(*length, '\0'), *length});
  const LONG rc = run(
      context, [context, out](SmartCardService& s) { return s.listReaders(context, out->readers.data(), &out->length); },
      {});
  if (rc == SCARD_E_TIMEOUT) return rc;
  std::memcpy(readers, out->readers.data(), std::min<size_t>(out->readers.size(), *length));
  *length = out->length;
  return rc;
}

LONG BoundedService::connect(SCARDCONTEXT context, const char* reader, DWORD shareMode, DWORD preferredProtocols,
                             SCARDHANDLE* card, DWORD* activeProtocol) {
  struct Out {
    std::string reader;
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
  };
  auto out = std::make_shared<Out>();
  out->reader = reader ? reader : "";
  const LONG rc = run(
      context,
      [context, shareMode, preferredProtocols, out](SmartCardService& s) {
        return s.connect(context, out->reader.c_str(), shareMode, preferredProtocols, &out->card, &out->protocol);
      },
      [out](SmartCardService& s, LONG result) {
        if (result == SCARD_S_SUCCESS) s.disconnect(out->card, SCARD_RESET_CARD);
      });
  if (rc == SCARD_E_TIMEOUT) return rc;
  *card = out->card;
  *activeProtocol = out->protocol;
  if (rc == SCARD_S_SUCCESS) cards_[out->card] = context;
  return rc;
}

LONG BoundedService::beginTransaction(SCARDHANDLE card) {
  return run(contextOf(card), [card](SmartCardService& s) { return s.beginTransaction(card); }, ReleaseCard(card));
}

LONG BoundedService::status(SCARDHANDLE card, DWORD* state, DWORD* protocol, BYTE* atr, DWORD* atrLength) {
  struct Out {
    DWORD state = 0, protocol = 0;
    std::vector<BYTE> atr;
    DWORD length;
  };
  auto out = std::make_shared<Out>();
  out->atr.assign(*atrLength, 0);
  out->length = *atrLength;
  const LONG rc = run(
      contextOf(card),
      [card, out](SmartCardService& s) {
        return s.status(card, &out->state, &out->protocol, out->atr.data(), &out->length);
      },
      ReleaseCard(card));
  if (rc == SCARD_E_TIMEOUT) return rc;
  *state = out->state;
  *protocol = out->protocol;
  std::memcpy(atr, out->atr.data(), std::min<size_t>(out->atr.size(), *atrLength));
  *atrLength = out->length;
  return rc;
}

LONG BoundedService::transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendHeader, const BYTE* send,
                              DWORD sendLength, SCARD_IO_REQUEST* receiveHeader, BYTE* receive,
                              DWORD* receiveLength) {
  struct Out {
    SCARD_IO_REQUEST header;
    std::vector<BYTE> send, receive;
    DWORD length;
  };
  auto out = std::make_shared<Out>();
  out->header = *sendHeader;
  out->send.assign(send, send + sendLength);
  out->receive.assign(*receiveLength, 0);
  out->length = *receiveLength;
  // The one header record serves as both, as the caller passes it.
  const bool oneHeader = sendHeader == receiveHeader;
  const LONG rc = run(
      contextOf(card),
      [card, out, oneHeader](SmartCardService& s) {
        SCARD_IO_REQUEST received = out->header;
        return s.transmit(card, &out->header, out->send.data(), static_cast<DWORD>(out->send.size()),
                          oneHeader ? &out->header : &received, out->receive.data(), &out->length);
      },
      ReleaseCard(card));
  if (rc == SCARD_E_TIMEOUT) return rc;
  if (receiveHeader) *receiveHeader = out->header;
  std::memcpy(receive, out->receive.data(), std::min<size_t>(out->receive.size(), *receiveLength));
  *receiveLength = out->length;
  return rc;
}

LONG BoundedService::endTransaction(SCARDHANDLE card, DWORD disposition) {
  return run(contextOf(card), [card, disposition](SmartCardService& s) { return s.endTransaction(card, disposition); },
             ReleaseCard(card));
}

LONG BoundedService::disconnect(SCARDHANDLE card, DWORD disposition) {
  const LONG rc = run(contextOf(card), [card, disposition](SmartCardService& s) { return s.disconnect(card, disposition); },
                      ReleaseCard(card));
  if (rc == SCARD_S_SUCCESS) cards_.erase(card);
  return rc;
}

LONG BoundedService::releaseContext(SCARDCONTEXT context) {
  return run(context, [context](SmartCardService& s) { return s.releaseContext(context); }, {});
}

}  // namespace kvt
