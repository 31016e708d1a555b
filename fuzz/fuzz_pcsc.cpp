// SPDX-License-Identifier: MIT
// The PC/SC window's result lines against a smart-card service that answers anything:
// any result code, reader lists and ATRs of any bytes, any response, and lengths that
// claim more than was written or, for reader lists and ATRs, more than the buffer holds (a
// service never writes past the room it is given).
// The fuzzer also types the APDU text and chooses the order of the buttons.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

#include "core/pcsc/pcsc_ops.h"
#include "fuzz_support.h"

using namespace kvt;
using namespace kvt::pcsc;

namespace {

class AnyService : public SmartCardService {
 public:
  explicit AnyService(FuzzedDataProvider& p) : p_(p) {}

  LONG establishContext(DWORD, SCARDCONTEXT* c) override { return give([&] { *c = p_.ConsumeIntegral<SCARDCONTEXT>(); }); }
  LONG listReaders(SCARDCONTEXT, char* out, DWORD* length) override {
    return give([&] { fill(reinterpret_cast<BYTE*>(out), length); });
  }
  LONG connect(SCARDCONTEXT, const char* reader, DWORD, DWORD, SCARDHANDLE* h, DWORD* active) override {
    KVT_FUZZ_CHECK(reader != nullptr);
    return give([&] {
      *h = p_.ConsumeIntegral<SCARDHANDLE>();
      *active = p_.ConsumeIntegral<DWORD>();
    });
  }
  LONG beginTransaction(SCARDHANDLE) override { return give({}); }
  LONG status(SCARDHANDLE, DWORD* state, DWORD* protocol, BYTE* atr, DWORD* atrLength) override {
    return give([&] {
      *state = p_.ConsumeIntegral<DWORD>();
      *protocol = p_.ConsumeIntegral<DWORD>();
      fill(atr, atrLength);
    });
  }
  LONG transmit(SCARDHANDLE, const SCARD_IO_REQUEST* sendHeader, const BYTE* send, DWORD sendLength,
                SCARD_IO_REQUEST* receiveHeader, BYTE* receive, DWORD* receiveLength) override {
    KVT_FUZZ_CHECK(sendHeader && receiveHeader && sendLength <= static_cast<DWORD>(kSendBufferSize));
    sent = QByteArray(reinterpret_cast<const char*>(send), static_cast<int>(sendLength));
    return give([&] { fill(receive, receiveLength, false); });
  }
  LONG endTransaction(SCARDHANDLE, DWORD) override { return give({}); }
  LONG disconnect(SCARDHANDLE, DWORD) override { return give({}); }
  LONG releaseContext(SCARDCONTEXT) override { return give({}); }

  QByteArray sent;

 private:
  // Success most of the time, else any result code; on success the outputs are filled.
  LONG give(const std::function<void()>& outputs) {
    const LONG rc = p_.ConsumeBool() ? 0 : p_.ConsumeIntegral<LONG>();
    if (rc == 0 && outputs) outputs();
    return rc;
  }
  // At most the room in bytes. The length told back is mostly the number given, now and
  // then a few more, and for the reader list and the ATR now and then anything at all. A
  // response is never claimed past its room: the window would then dump all 64 KiB of it,
  // some 50 ms under the sanitizers each time, and the inputs that do it would soon fill
  // the corpus; a unit test covers that road.
  void fill(BYTE* out, DWORD* length, bool anyClaim = true) {
    const std::string bytes = p_.ConsumeRandomLengthString(*length);
    std::memcpy(out, bytes.data(), std::min<size_t>(bytes.size(), *length));
    const auto given = static_cast<DWORD>(bytes.size());
    const int claim = p_.ConsumeIntegralInRange(0, 15);
    if (claim == 0 && anyClaim) *length = p_.ConsumeIntegral<DWORD>();
    else if (claim <= 1) *length = given + p_.ConsumeIntegralInRange<DWORD>(1, 64);
    else *length = given;
  }

  FuzzedDataProvider& p_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider p(data, size);
  AnyService service(p);
  PcscState st;
  QString reader;
  for (int press = 0; press < 12 && p.remaining_bytes() > 0; ++press) {
    PcscOutcome o;
    switch (p.ConsumeIntegralInRange(0, 9)) {
      case 0: o = EstablishContext(service, st); break;
      case 1:
        o = ListReaders(service, st);
        if (o.readers) {
          for (const QString& name : *o.readers) KVT_FUZZ_CHECK(!name.isEmpty());
          if (!o.readers->isEmpty()) reader = o.readers->first();
        }
        break;
      case 2: o = Connect(service, st, reader); break;
      case 3: o = BeginTransaction(service, st); break;
      case 4: o = Status(service, st); break;
      case 5: {
        const std::string typed = p.ConsumeRandomLengthString(600);
        const QString text = p.ConsumeBool() ? QString::fromLatin1(typed.c_str()) : QString::fromUtf8(typed.c_str());
        const auto apdu = ParseApduText(text);
        o = Transmit(service, st, text);
        KVT_FUZZ_CHECK(o.called == apdu.has_value());
        if (o.called) KVT_FUZZ_CHECK(service.sent == *apdu);
        else KVT_FUZZ_CHECK(o.message.has_value() && o.lines.isEmpty());
        break;
      }
      case 6: o = EndTransaction(service, st); break;
      case 7: o = Disconnect(service, st); break;
      case 8: o = ReleaseContext(service, st); break;
      default: Unload(service, st); continue;
    }
    if (o.called) {
      KVT_FUZZ_CHECK(o.lines.size() >= 3 && o.lines.first() == kSeparator && o.lines.last().isEmpty());
      KVT_FUZZ_CHECK(st.lastResult == o.result);
      KVT_FUZZ_CHECK(ResultCodeText(o.result).size() >= 8);
    }
  }
  return 0;
}
