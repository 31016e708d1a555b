// SPDX-License-Identifier: MIT
#pragma once
// A smart-card service answering from preset values that writes down each call as
// "name handle [disposition]" together with the arguments that matter.
#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "core/pcsc/smart_card_service.h"

namespace pcsc_test {

class FakeService : public kvt::SmartCardService {
 public:
  std::map<std::string, LONG> results;  // by call name; missing: 0
  QByteArray readers, atr, response;    // what list, status and transmit give back
  SCARDCONTEXT context = 0xC0;
  SCARDHANDLE card = 0xCA;

  QStringList calls;
  std::mutex callsMutex;
  QStringList callsSoFar() {
    std::lock_guard<std::mutex> lock(callsMutex);
    return calls;
  }
  QByteArray readerName, sent;
  DWORD scope = 9, share = 9, protocols = 9, headerProtocol = 9, receiveRoom = 0;
  bool sameHeader = false;

  LONG establishContext(DWORD s, SCARDCONTEXT* c) override {
    scope = s;
    return done("establish", 0, [&] { *c = context; });
  }
  LONG listReaders(SCARDCONTEXT c, char* out, DWORD* length) override {
    return done("list", c, [&] { copy(readers, out, length); });
  }
  LONG connect(SCARDCONTEXT c, const char* reader, DWORD s, DWORD p, SCARDHANDLE* h, DWORD* active) override {
    readerName = reader;
    share = s;
    protocols = p;
    return done("connect", c, [&] { *h = card, *active = SCARD_PROTOCOL_T0; });
  }
  LONG beginTransaction(SCARDHANDLE h) override { return done("begin", h); }
  LONG status(SCARDHANDLE h, DWORD*, DWORD*, BYTE* out, DWORD* length) override {
    return done("status", h, [&] { copy(atr, out, length); });
  }
  LONG transmit(SCARDHANDLE h, const SCARD_IO_REQUEST* sendHeader, const BYTE* data, DWORD length,
                SCARD_IO_REQUEST* receiveHeader, BYTE* out, DWORD* outLength) override {
    headerProtocol = sendHeader->dwProtocol;
    sameHeader = sendHeader == receiveHeader;
    sent = QByteArray(reinterpret_cast<const char*>(data), int(length));
    receiveRoom = *outLength;
    return done("transmit", h, [&] { copy(response, out, outLength); });
  }
  LONG endTransaction(SCARDHANDLE h, DWORD d) override { return done("end", h, {}, d); }
  LONG disconnect(SCARDHANDLE h, DWORD d) override { return done("disconnect", h, {}, d); }
  LONG releaseContext(SCARDCONTEXT c) override { return done("release", c); }

 private:
  template <class Out>
  static void copy(const QByteArray& from, Out* to, DWORD* length) {
    std::memcpy(to, from.constData(), std::min<size_t>(size_t(from.size()), *length));
    *length = DWORD(from.size());
  }
  // Records the call; on success lets `give` fill the outputs.
  LONG done(const char* name, LONG handle, const std::function<void()>& give = {}, long disposition = -1) {
    {
      std::lock_guard<std::mutex> lock(callsMutex);  // calls may come from other threads
      calls << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(handle) +
                   (disposition >= 0 ? QStringLiteral(" %1").arg(disposition) : QString());
    }
    const auto it = results.find(name);
    const LONG rc = it == results.end() ? 0 : it->second;
    if (rc == 0 && give) give();
    return rc;
  }
};

}  // namespace pcsc_test
