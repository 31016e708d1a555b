// SPDX-License-Identifier: MIT
// A GSM SIM that speaks T=0 only, for the PC/SC window: bytes of a command APDU in,
// bytes of the response APDU out. No I/O; VpcdCardHost puts it behind pcscd's
// virtual reader, tests drive it directly.
//
// Files: the master file 3F00, the ICCID file 2FE2 (10 bytes, transparent) below it,
// and the payment system environment "1PAY.SYS.DDF01" selected by name. Class A0 is
// the GSM class (SELECT answers 9F xx), class 00 the ISO class (SELECT answers 61 xx).
// Either way the answer data waits for the GET RESPONSE that follows; any other command
// in between drops it, as on a real T=0 card.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

class SimCard {
 public:
  // random gives the bytes of GET CHALLENGE; empty: std::random_device.
  explicit SimCard(std::function<uint8_t()> random = {});

  // T=0 only: TD1 names protocol 0 and nothing follows, so there is no TCK.
  static const Bytes& atr();
  static const Bytes& iccid();
  // Answers of SELECT, fetched by GET RESPONSE.
  static const Bytes& mfFcp();       // class 00, 3F00: 23 bytes
  static const Bytes& pseFci();      // class 00, "1PAY.SYS.DDF01": 28 bytes
  static const Bytes& gsmMfResponse();     // class A0, 3F00: 22 bytes
  static const Bytes& gsmIccidResponse();  // class A0, 2FE2: 15 bytes

  // Power on, warm reset and power off all forget the selection and a waiting answer.
  void reset();

  Bytes process(const Bytes& apdu);

 private:
  enum class File { None, Mf, Iccid, Pse };

  Bytes select(bool gsm, uint8_t p1, uint8_t p2, const Bytes& data);
  // SELECT of the MF or the ICCID file by its identifier, answered as GSM (9F xx) or ISO
  // (61 xx, then the FCP) asks.
  Bytes selectFile(bool gsm, const Bytes& data);
  Bytes readBinary(bool gsm, uint8_t p1, uint8_t p2, uint8_t le) const;
  Bytes getResponse(uint8_t le, Bytes waiting);
  Bytes getChallenge(uint8_t p1, uint8_t p2, uint8_t le);
  // Keeps data for GET RESPONSE and gives sw1 with its length.
  Bytes answerLater(const Bytes& data, uint8_t sw1);

  std::function<uint8_t()> random_;
  File current_ = File::None;
  Bytes waiting_;
};

}  // namespace sim
