#pragma once
// A smart-card service that answers from preset values and writes down every call with
// the arguments it got, for the tests of the operations and the window.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "pcsc/smart_card_service.h"

namespace pcsc_test {

class FakeService : public kvt::SmartCardService {
 public:
  // Result of each call by name ("establish", "list", "connect", "begin", "status",
  // "transmit", "end", "disconnect", "release"); missing: 0.
  std::map<std::string, LONG> results;
  // What the calls hand out.
  SCARDCONTEXT context = 0x0C0FFEE;
  SCARDHANDLE card = 0x0CA4D;
  DWORD protocol = SCARD_PROTOCOL_T0;
  QByteArray readers;   // multi-string, e.g. "A\0B\0\0"
  QByteArray atr;
  QByteArray response;  // given back by transmit

  // What the calls got. Each entry of `calls` is "name handle [argument]".
  QStringList calls;
  DWORD scope = 99, shareMode = 99, preferredProtocols = 99, readerRoom = 0, atrRoom = 0;
  QByteArray readerName;
  QByteArray sent;
  DWORD sendLength = 99, receiveRoom = 0, sendHeaderProtocol = 99, sendHeaderLength = 0;
  bool sameHeader = false;

  LONG establishContext(DWORD s, SCARDCONTEXT* out) override {
    scope = s;
    const LONG rc = result("establish");
    if (rc == 0) *out = context;
    calls << QStringLiteral("establish");
    return rc;
  }
  LONG listReaders(SCARDCONTEXT c, char* buffer, DWORD* length) override {
    calls << QStringLiteral("list %1").arg(c);
    readerRoom = *length;
    const LONG rc = result("list");
    if (rc == 0) {
      std::memcpy(buffer, readers.constData(), std::min<size_t>(size_t(readers.size()), *length));
      *length = DWORD(readers.size());
    }
    return rc;
  }
  LONG connect(SCARDCONTEXT c, const char* reader, DWORD share, DWORD protocols, SCARDHANDLE* outCard,
               DWORD* active) override {
    calls << QStringLiteral("connect %1").arg(c);
    readerName = reader;
    shareMode = share;
    preferredProtocols = protocols;
    const LONG rc = result("connect");
    if (rc == 0) {
      *outCard = card;
      *active = protocol;
    }
    return rc;
  }
  LONG beginTransaction(SCARDHANDLE h) override { return simple("begin", h); }
  LONG status(SCARDHANDLE h, DWORD* state, DWORD* proto, BYTE* out, DWORD* length) override {
    calls << QStringLiteral("status %1").arg(h);
    atrRoom = *length;
    const LONG rc = result("status");
    if (rc == 0) {
      *state = SCARD_SPECIFIC;
      *proto = protocol;
      std::memcpy(out, atr.constData(), std::min<size_t>(size_t(atr.size()), *length));
      *length = DWORD(atr.size());
    }
    return rc;
  }
  LONG transmit(SCARDHANDLE h, const SCARD_IO_REQUEST* sendHeader, const BYTE* data, DWORD length,
                SCARD_IO_REQUEST* receiveHeader, BYTE* receive, DWORD* receiveLength) override {
    calls << QStringLiteral("transmit %1").arg(h);
    sendHeaderProtocol = sendHeader->dwProtocol;
    sendHeaderLength = sendHeader->cbPciLength;
    sameHeader = sendHeader == receiveHeader;
    sendLength = length;
    sent = QByteArray(reinterpret_cast<const char*>(data), int(length));
    receiveRoom = *receiveLength;
    const LONG rc = result("transmit");
    if (rc == 0) {
      std::memcpy(receive, response.constData(), size_t(response.size()));
      *receiveLength = DWORD(response.size());
    }
    return rc;
  }
  LONG endTransaction(SCARDHANDLE h, DWORD disposition) override { return simple("end", h, disposition); }
  LONG disconnect(SCARDHANDLE h, DWORD disposition) override { return simple("disconnect", h, disposition); }
  LONG releaseContext(SCARDCONTEXT c) override { return simple("release", c); }

 private:
  LONG result(const std::string& name) const {
    const auto it = results.find(name);
    return it == results.end() ? 0 : it->second;
  }
  LONG simple(const char* name, LONG handle, long argument = -1) {
    QString entry = QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(handle);
    if (argument >= 0) entry += QStringLiteral(" %1").arg(argument);
    calls << entry;
    return result(name);
  }
};

}  // namespace pcsc_test
