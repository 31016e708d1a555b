// SPDX-License-Identifier: MIT
#pragma once
// The operating system's smart-card service, one method per call the PC/SC window makes.
// The calls, arguments and types are those of the PC/SC API (pcsc-lite on Linux and
// macOS, winscard on Windows), so an implementation is a thin forwarding layer and a
// fake for tests can stand in for it. Handles and lengths keep the platform's types:
// DWORD and LONG are 64 bits wide with pcsc-lite on 64-bit Linux.
#include <winscard.h>

namespace kvt {

class SmartCardService {
 public:
  virtual ~SmartCardService() = default;

  virtual LONG establishContext(DWORD scope, SCARDCONTEXT* context) = 0;
  // readers: a multi-string (each name NUL-terminated, an empty name ends the list);
  // length: in, the room in readers; out, the characters written.
  virtual LONG listReaders(SCARDCONTEXT context, char* readers, DWORD* length) = 0;
  virtual LONG connect(SCARDCONTEXT context, const char* reader, DWORD shareMode, DWORD preferredProtocols,
                       SCARDHANDLE* card, DWORD* activeProtocol) = 0;
  virtual LONG beginTransaction(SCARDHANDLE card) = 0;
  // The card's state and protocol and its ATR; atrLength: in, the room in atr; out, the length.
  virtual LONG status(SCARDHANDLE card, DWORD* state, DWORD* protocol, BYTE* atr, DWORD* atrLength) = 0;
  virtual LONG transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendHeader, const BYTE* send, DWORD sendLength,
                        SCARD_IO_REQUEST* receiveHeader, BYTE* receive, DWORD* receiveLength) = 0;
  virtual LONG endTransaction(SCARDHANDLE card, DWORD disposition) = 0;
  virtual LONG disconnect(SCARDHANDLE card, DWORD disposition) = 0;
  virtual LONG releaseContext(SCARDCONTEXT context) = 0;
};

}  // namespace kvt
