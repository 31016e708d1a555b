// SPDX-License-Identifier: MIT
#include "pcsclite_service.h"

namespace kvt {

LONG PcscLiteService::establishContext(DWORD scope, SCARDCONTEXT* context) {
  return SCardEstablishContext(scope, nullptr, nullptr, context);
}

LONG PcscLiteService::listReaders(SCARDCONTEXT context, char* readers, DWORD* length) {
  return SCardListReaders(context, nullptr, readers, length);
}

LONG PcscLiteService::connect(SCARDCONTEXT context, const char* reader, DWORD shareMode,
                              DWORD preferredProtocols, SCARDHANDLE* card, DWORD* activeProtocol) {
  return SCardConnect(context, reader, shareMode, preferredProtocols, card, activeProtocol);
}

LONG PcscLiteService::beginTransaction(SCARDHANDLE card) { return SCardBeginTransaction(card); }

LONG PcscLiteService::status(SCARDHANDLE card, DWORD* state, DWORD* protocol, BYTE* atr, DWORD* atrLength) {
  char reader[256];
  DWORD readerLength = sizeof reader;
  const LONG rc = SCardStatus(card, reader, &readerLength, state, protocol, atr, atrLength);
  // pcsc-lite keeps an event counter in the upper 16 bits; the card state is below.
  if (state) *state &= 0xFFFF;
  return rc;
}

LONG PcscLiteService::transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendHeader, const BYTE* send,
                               DWORD sendLength, SCARD_IO_REQUEST* receiveHeader, BYTE* receive,
                               DWORD* receiveLength) {
  return SCardTransmit(card, sendHeader, send, sendLength, receiveHeader, receive, receiveLength);
}

LONG PcscLiteService::endTransaction(SCARDHANDLE card, DWORD disposition) {
  return SCardEndTransaction(card, disposition);
}

LONG PcscLiteService::disconnect(SCARDHANDLE card, DWORD disposition) { return SCardDisconnect(card, disposition); }

LONG PcscLiteService::releaseContext(SCARDCONTEXT context) { return SCardReleaseContext(context); }

}  // namespace kvt
