// SPDX-License-Identifier: MIT
#pragma once
// The byte side of a Telnet connection carrying the serial port control option of
// RFC 2217, as its client, with no socket in sight: wire bytes from the server go in,
// data bytes, the server's answers to serial port commands and the negotiation replies
// we owe come out; commands to the server are encoded here.
//
// Options: we offer COM-PORT-OPTION and BINARY both ways; every other option the server
// asks for or offers is refused. Negotiation follows RFC 854's rule (a request for the
// state an option is already in is not answered), so two sides never loop.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace kvt::rfc2217 {

namespace telnet {
constexpr uint8_t kSe = 240, kSb = 250, kWill = 251, kWont = 252, kDo = 253, kDont = 254, kIac = 255;
constexpr uint8_t kBinary = 0, kComPort = 44;
}  // namespace telnet

// Commands of the COM-PORT-OPTION, client to server; the server answers each with the
// code plus kServerOffset.
enum class Command : uint8_t {
  Signature = 0,
  SetBaudRate = 1,
  SetDataSize = 2,
  SetParity = 3,
  SetStopSize = 4,
  SetControl = 5,
  NotifyLineState = 6,
  NotifyModemState = 7,
  FlowControlSuspend = 8,
  FlowControlResume = 9,
  SetLineStateMask = 10,
  SetModemStateMask = 11,
  PurgeData = 12,
};
constexpr uint8_t kServerOffset = 100;

// SET-PARITY, SET-STOPSIZE, SET-CONTROL and PURGE-DATA values used here.
constexpr uint8_t kParityNone = 1, kParityOdd = 2, kParityEven = 3, kParityMark = 4, kParitySpace = 5;
constexpr uint8_t kStopBitsOne = 1, kStopBitsTwo = 2, kStopBitsOneAndHalf = 3;
constexpr uint8_t kControlNoFlow = 1;
constexpr uint8_t kControlDtrOff = 9;
constexpr uint8_t kControlRtsOff = 12;
constexpr uint8_t kPurgeReceive = 1;  // the server's buffer of data from the serial device

// A serial line's speed and character format, in the option's own values.
struct LineSettings {
  quint32 baud = 9600;
  uint8_t dataBits = 8;            // 5 to 8
  uint8_t parity = kParityNone;    // kParityNone .. kParitySpace
  uint8_t stopBits = kStopBitsOne; // kStopBitsOne, kStopBitsTwo, kStopBitsOneAndHalf

  bool operator==(const LineSettings& o) const {
    return baud == o.baud && dataBits == o.dataBits && parity == o.parity && stopBits == o.stopBits;
  }
  bool operator!=(const LineSettings& o) const { return !(*this == o); }
  // "9600 8N1", "19200 7E2", "300 5N1.5"; the parity letters N, O, E, M, S.
  QString text() const;
};

// A subnegotiation of the server for the COM-PORT-OPTION.
struct Answer {
  Command command;  // without the server offset
  QByteArray value;
  // Data bytes of the same feed() that came before this answer on the wire.
  qsizetype dataBefore = 0;
};

// What both sides have agreed so far for one option.
enum class OptionState { No, WantYes, Yes, WantNo };

class Codec {
 public:
  // The opening requests: WILL COM-PORT-OPTION, WILL BINARY, DO BINARY.
  QByteArray start();

  // Wire bytes from the server. Data lands in takeData(), answers in takeAnswers(), the
  // replies we owe the server in takeReplies(). Bytes may be split anywhere.
  void feed(const char* bytes, qsizetype n);
  void feed(const QByteArray& bytes) { feed(bytes.constData(), bytes.size()); }

  QByteArray takeData();
  QByteArray takeReplies();
  std::vector<Answer> takeAnswers();

  // Whether the server has accepted (Yes) or refused (No after asking) our offer of the
  // COM-PORT-OPTION.
  OptionState comPort() const { return us_[telnet::kComPort]; }
  OptionState binaryToServer() const { return us_[telnet::kBinary]; }
  OptionState binaryFromServer() const { return him_[telnet::kBinary]; }

  // Data for the wire: every 0xFF doubled.
  static QByteArray escape(const QByteArray& data);
  // IAC SB COM-PORT-OPTION command value IAC SE, with 0xFF in the value doubled.
  static QByteArray command(Command c, const QByteArray& value);
  static QByteArray setBaudRate(quint32 baud);  // value in network byte order
  static QByteArray setDataSize(uint8_t bits);
  static QByteArray setParity(uint8_t parity);
  static QByteArray setStopSize(uint8_t stop);
  static QByteArray setControl(uint8_t control);
  static QByteArray purgeData(uint8_t which);
  // SET-DATASIZE, SET-PARITY, SET-STOPSIZE and last SET-BAUDRATE: the server answers in
  // order, so once the speed is answered the others are too.
  static QByteArray setLine(const LineSettings& line);

  // A subnegotiation longer than this is cut short (its further bytes are dropped).
  static constexpr int kMaxSubnegotiation = 64;

 private:
  enum class State { Data, Iac, Verb, Sub, SubIac };
  void verb(uint8_t verb, uint8_t option);
  // WILL or DO from the server for an option on side `s` (its own or ours): agreed with
  // `agree` or refused with `refuse` when it is new, else the answer to our own request.
  void optionAsked(OptionState& s, bool agreeable, uint8_t agree, uint8_t refuse, uint8_t option);
  // WONT or DONT: the option ends on that side, confirmed with `refuse` if it was on.
  void optionRefused(OptionState& s, uint8_t refuse, uint8_t option);
  void subnegotiationEnded();
  void reply(uint8_t verb, uint8_t option);
  static bool weOffer(uint8_t option);   // options we perform ourselves
  static bool weAccept(uint8_t option);  // options we let the server perform

  State state_ = State::Data;
  uint8_t verb_ = 0;
  QByteArray sub_;
  QByteArray data_;
  QByteArray replies_;
  std::vector<Answer> answers_;
  OptionState us_[256] = {};
  OptionState him_[256] = {};
};

}  // namespace kvt::rfc2217
