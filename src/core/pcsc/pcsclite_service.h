// SPDX-License-Identifier: MIT
#pragma once
// SmartCardService on the platform's PC/SC library (libpcsclite talking to pcscd).
#include "smart_card_service.h"

namespace kvt {

class PcscLiteService : public SmartCardService {
 public:
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
};

}  // namespace kvt
