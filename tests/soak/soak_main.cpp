// SPDX-License-Identifier: MIT
// Fault soak: random operations of every subsystem (card machine, contact cards,
// contactless cards, script lines) against the simulated reader on a pseudo-terminal,
// through the real QSerialPort, while the reader misbehaves at random: silence, NAK, a
// short remainder, garbage, a bad BCC, slow replies, a lost ACK, negative replies, and a
// port that vanishes before or during an operation (the reader's host is then restarted
// and the port reopened). After each operation:
//   - every message shown is one the tool documents;
//   - with the port flag clear nothing reaches the reader, and an operation that checks
//     the flag shows only its refusal and leaves the log as it was;
//   - every command line in the log ("SD: F2 ...") has its ending (our ACK, our EOT or a
//     failure's blank line), and an operation that sent something closes with a blank line;
//   - a failed exchange says why, and an exchange the reader spoilt never counts as done;
//   - the operation took no longer than the sum of its waits plus slack.
//
// kvt_soak [--ops N] [--seconds S] [--seed X] [--verbose]
// Exit status 0: every check held; 1: a check failed (each failure is printed); 2: usage.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "core/base/conversions.h"
#include "core/cmdline/script_control.h"
#include "core/cmdline/script_text.h"
#include "core/contact/chip_card_ops.h"
#include "core/contact/eeprom24_ops.h"
#include "core/contact/ic_type_ops.h"
#include "core/contact/sle4428_ops.h"
#include "core/contact/sle4442_ops.h"
#include "core/link/log_format.h"
#include "core/link/qt_serial_port.h"
#include "core/machine/initialize_ops.h"
#include "core/machine/movement_ops.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "core/rf/iso_apdu_ops.h"
#include "core/rf/mifare_ops.h"
#include "core/rf/rf_activation_ops.h"
#include "core/rf/ultralight_ops.h"
#include "documented_messages.h"
#include "sim/cards/contact_chip.h"
#include "sim/cards/contact_commands.h"
#include "sim/cards/rf_card.h"
#include "sim/cards/rf_commands.h"
#include "sim/pty_host.h"

namespace kvt::soak {
namespace {

constexpr qint64 kSlackMs = 4000;  // scheduling on a busy machine, port set-up, decoding

// The button operations and the script runner wait alike.
const ScriptTimeouts kScriptTimeouts{80, 250, 150, 60};
Timeouts SoakTimeouts() {
  Timeouts t;
  t.ack = kScriptTimeouts.ack;
  t.header = kScriptTimeouts.header;
  t.remainder = kScriptTimeouts.remainder;
  t.eotAnswer = kScriptTimeouts.eotAnswer;
  return t;
}

enum class Family { Machine, Contact, Rf, Script };
const char* const kFamilyNames[] = {"machine", "contact", "rf", "script"};
// By OpStatus and by Soak::Condition.
const char* const kStatusNames[] = {"done", "port closed", "bad input", "cancelled", "exchange failed",
                                    "negative", "unrecognised"};
const char* const kConditionNames[] = {"clean", "fault", "port flag clear", "vanish before", "vanish during"};

// The script box of the command-line window, held in memory.
class MemoryView : public ScriptView {
 public:
  QString text, repeat = QStringLiteral("1");
  QString scriptText() const override { return text; }
  void setScriptText(const QString& t) override { text = t; }
  int lineCount() const override { return static_cast<int>(ScriptLines(text).size()); }
  QString lineText(int line) const override { return ScriptLines(text).value(line); }
  QString repeatText() const override { return repeat; }
  void applyButtons(ButtonSet, bool) override {}
  void setScriptEnabled(bool) override {}
  void markLine(int) override {}
  void clearMark() override {}
  void showFigure(Figure, const QString&) override {}
  void processPendingInput() override {}
};

// What one operation gave back.
struct Result {
  std::optional<OpStatus> status;  // reader operations
  std::optional<Message> message;  // the outcome's own message
  int exchanges = 1;               // the most it may have made
  int scriptLines = 0;             // script runs: lines in the script
  ScriptTally tally;

  Result() = default;
  Result(const Outcome& o, int most) : status(o.status), message(o.message), exchanges(most) {}
};

struct Rig {
  sim::PtyHost host;
  AppState state;
  QtSerialPort port;
  StringLog log;
  RecordingNotifier notifier;
  Session session{state, port, log, notifier, Variant::B, {}, SoakTimeouts()};
  StringEntryList results, back;
  ScriptTransport transport{state, port, notifier, results, back, kScriptTimeouts};
  MemoryView view;
  std::mt19937 rng;

  int pick(int last) { return std::uniform_int_distribution<int>(0, last)(rng); }
  bool chance(int percent) { return pick(99) < percent; }
  QString address() { return chance(4) ? QStringLiteral("G7") : QStringLiteral("00"); }
  QString hexByte(int last = 255) { return HexByte(static_cast<uint8_t>(pick(last))); }
  ChipGroup group() { return chance(70) ? ChipGroup::Cpu : ChipGroup::Sam; }
  QStringList cells(int n) {
    QStringList c;
    for (int i = 0; i < n; ++i) c << (chance(1) ? QStringLiteral("Z") : hexByte());
    return c;
  }
};

struct OpDef {
  const char* name;
  Family family;
  bool checksPort;
  std::function<Result(Rig&)> run;
};

// A reader operation: its outcome's status and message; `exchanges` is the most it makes.
template <class Fn>
OpDef Op(const char* name, Family family, bool checksPort, Fn fn, int exchanges = 1) {
  return {name, family, checksPort, [fn, exchanges](Rig& g) { return Result(fn(g), exchanges); }};
}

const QStringList kScriptPool = {"C10", "C11", "C$A20$12", "C$A30", "C$A50", "C21", "C20", "CP0", "CP1",
                                 "CQ2", "CQ0 30", "CS2", "C$600AB", "C$602", "C$DC1", "C1", "C$ZZ"};

// A script of one to three lines from the pool, run through or stepped once.
Result RunScript(Rig& g) {
  QStringList lines;
  const int n = 1 + g.pick(2);
  for (int i = 0; i < n; ++i) lines << kScriptPool[g.pick(static_cast<int>(kScriptPool.size()) - 1)];
  g.view.text = lines.join(QLatin1Char('\n'));
  g.view.repeat = g.chance(5) ? QStringLiteral("0") : QStringLiteral("1");
  ScriptController controller(g.state, g.view, g.transport, g.notifier, [] { return QStringLiteral("00"); });
  controller.stepDelayMs = 0;
  controller.load();
  if (g.chance(20)) controller.setp();
  else controller.start();
  Result r;
  r.exchanges = n;
  r.scriptLines = n;
  r.tally = controller.tally();
  return r;
}

std::vector<OpDef> Operations() {
  using F = Family;
  const QString ff = QStringLiteral("FF");
  return {
      Op("card-status", F::Machine, true, [](Rig& g) { return CardStatus(g.session, g.address()); }),
      Op("sensor-status", F::Machine, true, [](Rig& g) { return SensorStatus(g.session, g.address()); }),
      Op("read-sn", F::Machine, true, [](Rig& g) { return ReadSN(g.session, g.address()); }),
      Op("config", F::Machine, true, [](Rig& g) { return ReadConfig(g.session, g.address()); }),
      Op("counter-read", F::Machine, true, [](Rig& g) { return ReadCounter(g.session, g.address()); }),
      Op("counter-init", F::Machine, true,
         [](Rig& g) { return InitCounter(g.session, g.address(), QString::number(g.pick(999))); }),
      Op("initialize", F::Machine, true,
         [](Rig& g) {
           const int choice = g.pick(6);
           const auto ask = [choice] { return choice == 6 ? 0 : kInitOptions[choice].code; };
           return Initialize(g.session, g.address(), ask);
         },
         2),
      Op("move", F::Machine, true,
         [](Rig& g) { return MoveCard(g.session, g.address(), kMovements[g.pick(6)].movement); }),
      Op("ic-type", F::Contact, true, [](Rig& g) { return IcCardType(g.session, g.address()); }),
      Op("sle-activate", F::Contact, true, [](Rig& g) { return SleActivate(g.session, g.address()); }),
      Op("sle-status", F::Contact, true, [](Rig& g) { return SleInquireStatus(g.session, g.address()); }),
      Op("memory-deactivate", F::Contact, true, [](Rig& g) { return MemoryCardDeactivate(g.session, g.address()); }),
      Op("24c-activate", F::Contact, true, [](Rig& g) { return Eeprom24Activate(g.session, g.address()); }),
      Op("24c-status", F::Contact, true, [](Rig& g) { return Eeprom24InquireStatus(g.session, g.address()); }),
      Op("24c-read", F::Contact, true,
         [](Rig& g) { return Eeprom24Read(g.session, g.address(), {g.hexByte(), g.hexByte(), g.hexByte()}); }),
      Op("24c-write", F::Contact, true,
         [](Rig& g) {
           const Eeprom24Fields f{QStringLiteral("00"), g.hexByte(), g.hexByte(16)};
           return Eeprom24Write(g.session, g.address(), f, g.cells(kIcGridCells));
         }),
      Op("sle4442", F::Contact, true,
         [ff](Rig& g) {
           const Sle4442Fields f{g.hexByte(), g.hexByte(32), ff, ff, g.chance(90) ? ff : g.hexByte()};
           return RunSle4442(g.session, g.address(), static_cast<Sle4442Op>(g.pick(6)), f, g.cells(kIcGridCells));
         }),
      Op("sle4428", F::Contact, true,
         [ff](Rig& g) {
           const Sle4428Fields f{g.hexByte(4), g.hexByte(), g.hexByte(32), ff, ff};
           return RunSle4428(g.session, g.address(), static_cast<Sle4428Op>(g.pick(5)), f, g.cells(kIcGridCells));
         }),
      Op("cpu-cold-reset", F::Contact, false,
         [](Rig& g) {
           return ColdReset(g.session, g.address(), g.group(),
                            g.chance(50) ? SupplyProfile::Emv2000 : SupplyProfile::Iso7816);
         }),
      Op("cpu-warm-reset", F::Contact, false, [](Rig& g) { return WarmReset(g.session, g.address(), g.group()); }),
      Op("cpu-status", F::Contact, true, [](Rig& g) { return ChipCardStatus(g.session, g.address(), g.group()); }),
      Op("cpu-deactivate", F::Contact, true,
         [](Rig& g) { return ChipDeactivate(g.session, g.address(), g.group()); }),
      Op("cpu-apdu", F::Contact, false,
         [](Rig& g) {
           const QString apdu = g.chance(95) ? CpuApduEntries()[g.pick(3)] : QStringLiteral("0A1");
           return SendApdu(g.session, g.address(), g.group(), static_cast<ApduProtocol>(g.pick(2)), apdu);
         }),
      Op("sam-choose", F::Contact, false,
         [](Rig& g) { return ChooseSam(g.session, g.address(), QStringLiteral("SAM %1").arg(g.pick(15))); }),
      Op("rf-type", F::Rf, true, [](Rig& g) { return RfCardType(g.session, g.address()); }),
      Op("rf-activate", F::Rf, true, [](Rig& g) { return RfActivate(g.session, g.address(), g.pick(3)); }),
      Op("rf-deactivate", F::Rf, true, [](Rig& g) { return RfDeactivate(g.session, g.address()); }),
      Op("rf-status", F::Rf, true, [](Rig& g) { return RfInquireStatus(g.session, g.address()); }),
      Op("mifare-key", F::Rf, true,
         [ff](Rig& g) {
           const auto op = static_cast<MifareKeyOp>(g.pick(g.chance(95) ? 2 : 3));
           return MifareKey(g.session, g.address(), op, g.pick(15), g.chance(50), QStringList(kRfKeyBytes, ff));
         }),
      Op("mifare-read", F::Rf, true,
         [](Rig& g) { return MifareReadBlock(g.session, g.address(), g.pick(15), g.pick(3), 1); }),
      Op("mifare-write", F::Rf, true,
         [](Rig& g) {
           return MifareWriteBlock(g.session, g.address(), g.pick(15), g.pick(2), 1, g.cells(kRfBlockBytes));
         }),
      Op("purse-change", F::Rf, true,
         [](Rig& g) {
           const auto op = static_cast<PurseOp>(g.pick(2));
           return PurseChange(g.session, g.address(), op, g.pick(15), g.pick(3), QString::number(g.pick(5000)));
         }),
      Op("purse-read", F::Rf, true, [](Rig& g) { return PurseRead(g.session, g.address(), g.pick(15), g.pick(3)); }),
      Op("ultralight-read", F::Rf, true,
         [](Rig& g) { return UltralightRead(g.session, g.address(), g.pick(kUltralightPages - 1)); }),
      Op("ultralight-write", F::Rf, true,
         [](Rig& g) {
           return UltralightWrite(g.session, g.address(), 3 + g.pick(12), g.cells(kUltralightPageBytes));
         }),
      Op("iso-apdu", F::Rf, true,
         [](Rig& g) {
           const IsoType type = g.chance(50) ? IsoType::A : IsoType::B;
           return SendIsoApdu(g.session, g.address(), type, IsoApduEntries()[g.pick(2)]);
         }),
      {"script", F::Script, true, RunScript},
  };
}

class Soak {
 public:
  Soak(uint32_t seed, bool verbose) : verbose_(verbose) { g_.rng.seed(seed); }

  bool open() {
    std::string err;
    if (!g_.host.start(&err)) {
      std::fprintf(stderr, "cannot start the simulated reader: %s\n", err.c_str());
      return false;
    }
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (g_.port.open(QString::fromStdString(g_.host.slavePath()), 9600) == OpenError::None) {
        g_.state.PortOpened = true;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::fprintf(stderr, "cannot open %s\n", g_.host.slavePath().c_str());
    return false;
  }

  // Runs until `ops` operations are done or `seconds` have passed; false if a check failed.
  bool run(long ops, int seconds);

 private:
  enum class Condition { Clean, Fault, PortFlagClear, VanishBefore, VanishDuring };

  void one(const OpDef& op);

  void fail(const OpDef& op, const QString& what) {
    ++failures_;
    if (failures_ > 40) return;
    const char* condition = kConditionNames[static_cast<int>(condition_)];
    std::fprintf(stderr, "op %ld %s (%s, fault %s): %s\n", done_, op.name, condition, sim::faultName(fault_),
                 qPrintable(what));
    for (const Message& m : shown_) std::fprintf(stderr, "    shown: %s\n", qPrintable(MessageLine(m)));
  }

  void newScene() {
    g_.host.withReader([&](sim::Reader& r) {
      const auto& chips = sim::contactChipKinds();
      const auto& antennas = sim::rfCardKinds();
      sim::setContactCardKind(r.state(), chips[g_.pick(static_cast<int>(chips.size()) - 1)]);
      sim::setRfCardKind(r.state(), antennas[g_.pick(static_cast<int>(antennas.size()) - 1)]);
      switch (g_.pick(5)) {
        case 0: r.setCardPosition(sim::CardPos::None); break;
        case 1: r.setCardPosition(sim::CardPos::Front); break;
        case 2:
        case 3: r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts); break;
        default: r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna); break;
      }
      r.setStackerCards(g_.pick(20));
    });
  }

  // Every command line has its ending before the next one: our ACK, our EOT (perhaps with
  // the reader's answer after it) or the blank line of a failure.
  void checkLog(const OpDef& op, const QString& opLog) {
    QStringList lines = opLog.split(CRLF);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    int commands = 0;
    int lostTold = 0;
    bool open = false;
    for (const QString& line : lines) {
      if (line.startsWith(QLatin1String("The connection to "))) {
        // A port that vanished is told once, and only then.
        const bool vanished = condition_ == Condition::VanishBefore || condition_ == Condition::VanishDuring;
        if (!vanished || ++lostTold > 1 || !line.contains(QLatin1String(" was lost")))
          fail(op, QStringLiteral("a lost connection told wrongly: ") + line);
      } else if (line.startsWith(QLatin1String("SD: F2"))) {
        if (open) fail(op, QStringLiteral("a command line without an ending before the next one"));
        open = true;
        ++commands;
      } else if (line == QLatin1String("SD: 06") || line == QLatin1String("SD: 04") || line.isEmpty()) {
        open = false;
      } else if (!line.startsWith(QLatin1String("RD: ")) && !line.startsWith(QLatin1String("       "))) {
        fail(op, QStringLiteral("a log line of no known form: ") + line);
      }
    }
    if (open) fail(op, QStringLiteral("the last command line has no ending"));
    if (commands > 0 && !opLog.endsWith(CRLF + CRLF)) fail(op, QStringLiteral("no closing blank line after the exchange"));
  }

  // What the reader has received once the line is quiet: its host reads our last bytes a
  // moment after we wrote them.
  size_t settledReceived() {
    size_t n = g_.host.received().size();
    for (int i = 0; i < 100; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      const size_t now = g_.host.received().size();
      if (now == n) break;
      n = now;
    }
    return n;
  }

  // Replies the reader saw go unacknowledged, and commands it has seen.
  std::pair<int, int> readerCounts() {
    std::pair<int, int> n;
    g_.host.withReader([&](sim::Reader& r) { n = {r.unacknowledgedReplies(), r.commandsSeen()}; });
    return n;
  }

  bool reopen() {
    g_.port.close();
    g_.host.stop();
    return open();
  }

  Rig g_;
  DocumentedMessages documented_;
  bool verbose_;
  long done_ = 0;
  long failures_ = 0;
  std::map<std::string, long> counts_;  // by family, status, fault and condition
  qint64 longestMs_ = 0;
  double nearestToBound_ = 0;  // largest share of its bound an operation used
  // What the current operation runs under, for the failure report.
  Condition condition_ = Condition::Clean;
  bool lineLostBefore_ = false;  // a port vanished under the last operation that reached the reader
  sim::FaultKind fault_ = sim::FaultKind::None;
  std::vector<Message> shown_;
};

void Soak::one(const OpDef& op) {
  using K = sim::FaultKind;
  if (g_.chance(7)) newScene();

  condition_ = Condition::Clean;
  fault_ = K::None;
  const int roll = g_.pick(99);
  if (roll < 3) condition_ = Condition::PortFlagClear;
  else if (roll < 5) condition_ = Condition::VanishBefore;
  else if (roll < 7) condition_ = Condition::VanishDuring;
  else if (roll < 45) condition_ = Condition::Fault;

  if (condition_ == Condition::Fault) {
    static const K kinds[] = {K::Silent,  K::Nak,     K::AckThenSilence, K::LostAck, K::ShortRemainder,
                              K::BadBcc, K::Garbage, K::Slow,           K::Negative};
    sim::Fault f;
    f.kind = fault_ = kinds[g_.pick(8)];
    static const char* const codes[] = {"10", "02", "61", "65", "A1", "B0", "99"};
    f.negativeCode = codes[g_.pick(6)];
    f.slowMs = 20 + g_.pick(380);
    g_.host.withReader([&](sim::Reader& r) { r.setFault(f); });
  }
  if (condition_ == Condition::PortFlagClear) g_.state.PortOpened = false;
  if (condition_ == Condition::VanishBefore) g_.host.vanish();

  // A line of no exchange marks where this operation's log begins.
  g_.log.record = g_.chance(10);
  if (!g_.log.record) g_.log.text.clear();
  g_.log.text += QStringLiteral("before operation %1\r\n").arg(done_);
  const QString logBefore = g_.log.text;
  const size_t receivedBefore = condition_ == Condition::PortFlagClear ? settledReceived() : 0;
  const bool flagBefore = g_.state.PortOpened;
  const auto [unackedBefore, commandsBefore] = readerCounts();
  g_.notifier.messages.clear();
  g_.notifier.answer = g_.chance(50);
  g_.results.clear();
  g_.back.clear();

  std::thread vanisher;
  if (condition_ == Condition::VanishDuring) {
    const int afterMs = g_.pick(40);
    vanisher = std::thread([this, afterMs] {
      std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
      g_.host.vanish();
    });
  }
  QElapsedTimer timer;
  timer.start();
  const Result r = op.run(g_);
  const qint64 ms = timer.elapsed();
  if (vanisher.joinable()) vanisher.join();

  shown_ = g_.notifier.messages;
  if (r.message) shown_.push_back(*r.message);

  // The reader counts a reply left without our ACK when the next command comes: every
  // reply the previous operation read in full was acknowledged, unless its port vanished.
  const bool lineLost = condition_ == Condition::VanishBefore || condition_ == Condition::VanishDuring;
  const auto [unackedAfter, commandsAfter] = readerCounts();
  if (!lineLostBefore_ && !lineLost && unackedAfter > unackedBefore)
    fail(op, QStringLiteral("the reader never got our ACK of the previous reply"));
  if (lineLost || commandsAfter != commandsBefore) lineLostBefore_ = lineLost;

  // The messages.
  for (const Message& m : shown_)
    if (!documented_.contains(m)) fail(op, QStringLiteral("a message the tool does not document: ") + MessageLine(m));
  if (r.status && (*r.status == OpStatus::ExchangeFailed || *r.status == OpStatus::PortClosed ||
                   *r.status == OpStatus::BadInput) && shown_.empty())
    fail(op, QStringLiteral("refused or failed without a word"));
  if (r.status && *r.status == OpStatus::ExchangeFailed) {
    int why = 0;
    for (const Message& m : g_.notifier.messages)
      why += m.text == kUnitNotDetected || m.text == kDataError || m.text == kTimeOut || m.text == kPortSetupFirst;
    if (why != 1) fail(op, QStringLiteral("a failed exchange gave %1 reasons").arg(why));
  }

  // The port flag and the log.
  if (g_.state.PortOpened != flagBefore) fail(op, QStringLiteral("the operation changed the port flag"));
  const bool viaLog = op.family != Family::Script;
  // Unless "Record Data" is on, an operation that begins empties the log first.
  QString opLog = g_.log.text;
  if (g_.log.text.startsWith(logBefore)) opLog = g_.log.text.mid(logBefore.size());
  else if (g_.log.record || !viaLog) fail(op, QStringLiteral("the kept log lost its earlier lines"));
  if (!viaLog && !opLog.isEmpty()) fail(op, QStringLiteral("a script run wrote into the button log"));
  if (condition_ == Condition::PortFlagClear) {
    // Only a late ACK or EOT of the previous operation may still come in, never a frame.
    if (g_.host.running() && settledReceived() > receivedBefore) {
      const std::vector<uint8_t> rx = g_.host.received();
      if (std::find(rx.begin() + static_cast<std::ptrdiff_t>(receivedBefore), rx.end(), uint8_t{0xF2}) != rx.end())
        fail(op, QStringLiteral("a frame reached the reader with the port flag clear"));
    }
    if (opLog.contains(QLatin1String("SD: "))) fail(op, QStringLiteral("a command was logged with the port flag clear"));
    if (op.checksPort) {
      // A script run reads its repeat count first, so "The Value should > 0" may come instead.
      const Message refusal = op.family == Family::Script ? Message{MessageIcon::Warning, QStringLiteral("caution"), kConnectFirst}
                                                          : Message{MessageIcon::Warning, kCaution, kPortSetupFirst};
      const Message noRepeat{MessageIcon::Warning, kCaution, kValueAboveZero};
      if (shown_.size() != 1 || !(shown_[0] == refusal || (op.family == Family::Script && shown_[0] == noRepeat)))
        fail(op, QStringLiteral("the refusal is not the only message"));
      if (g_.log.text != logBefore) fail(op, QStringLiteral("the refusal touched the log"));
    }
  }
  if (viaLog) checkLog(op, opLog);
  if (!viaLog) {
    // A frame the vanished port did not take gets no command block.
    const int commandBlocks = static_cast<int>(g_.back.entries.count(kCommandRule));
    if (commandBlocks > r.tally.sent || (!lineLost && commandBlocks != r.tally.sent))
      fail(op, QStringLiteral("%1 command blocks for %2 frames").arg(commandBlocks).arg(r.tally.sent));
  }

  // A reply the reader spoilt is never taken as done.
  const bool spoilt = fault_ == K::Silent || fault_ == K::Nak || fault_ == K::AckThenSilence ||
                      fault_ == K::ShortRemainder || fault_ == K::Garbage;
  if (spoilt && r.status == OpStatus::Done && opLog.contains(QLatin1String("SD: F2")))
    fail(op, QStringLiteral("done although the reader spoilt the exchange"));
  if (spoilt && r.scriptLines == 1 && r.tally.positive + r.tally.negative > 0)
    fail(op, QStringLiteral("a script line answered although the reader spoilt the exchange"));

  // Nothing hangs past its waits.
  const ScriptTimeouts& t = kScriptTimeouts;
  const qint64 bound = r.exchanges * (t.ack + t.header + std::max(t.remainder, t.eotAnswer)) + kSlackMs;
  if (ms > bound) fail(op, QStringLiteral("took %1 ms, more than its %2 ms").arg(ms).arg(bound));
  longestMs_ = std::max(longestMs_, ms);
  nearestToBound_ = std::max(nearestToBound_, double(ms) / double(bound));

  ++counts_[std::string("family ") + kFamilyNames[static_cast<int>(op.family)]];
  if (r.status) ++counts_[std::string("status ") + kStatusNames[static_cast<int>(*r.status)]];
  if (op.family == Family::Script) ++counts_[std::string("script frames answered ") + (r.tally.positive + r.tally.negative > 0 ? "yes" : "no")];
  if (condition_ == Condition::Fault) ++counts_[std::string("fault ") + sim::faultName(fault_)];
  else ++counts_[std::string("condition ") + kConditionNames[static_cast<int>(condition_)]];
  if (verbose_)
    std::printf("%5ld %-18s %-16s %4lld ms %s\n", done_, op.name, sim::faultName(fault_), static_cast<long long>(ms),
                shown_.empty() ? "" : qPrintable(MessageLine(shown_.back())));

  // Back to a working line.
  g_.state.PortOpened = true;
  if (g_.host.running()) g_.host.withReader([](sim::Reader& rd) { rd.clearFault(); });
  if ((lineLost || !g_.port.isOpen()) && !reopen()) fail(op, QStringLiteral("the port could not be opened again"));
}

bool Soak::run(long ops, int seconds) {
  const std::vector<OpDef> catalogue = Operations();
  QElapsedTimer timer;
  timer.start();
  while (done_ < ops && timer.elapsed() < seconds * 1000LL && failures_ <= 40) {
    // Each family as often as the others, then one of its operations.
    const Family family = static_cast<Family>(g_.pick(3));
    std::vector<const OpDef*> members;
    for (const OpDef& d : catalogue)
      if (d.family == family) members.push_back(&d);
    one(*members[g_.pick(static_cast<int>(members.size()) - 1)]);
    ++done_;
  }
  std::printf("soak: %ld operations in %.1f s, %ld failed checks\n", done_, timer.elapsed() / 1000.0, failures_);
  std::printf("soak: longest operation %lld ms, at most %.0f%% of its bound\n", static_cast<long long>(longestMs_),
              100 * nearestToBound_);
  for (const auto& [what, n] : counts_) std::printf("soak:   %-28s %ld\n", what.c_str(), n);
  const long done = counts_["status done"];
  if (done_ >= 50 && done == 0) {
    std::printf("soak: no operation succeeded\n");
    return false;
  }
  return failures_ == 0;
}

}  // namespace
}  // namespace kvt::soak

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  long ops = 3000;
  int seconds = 900;
  uint32_t seed = std::random_device{}();
  bool verbose = false;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool hasValue = i + 1 < args.size();
    bool ok = true;
    if (a == QLatin1String("--ops") && hasValue) ops = args[++i].toLong(&ok);
    else if (a == QLatin1String("--seconds") && hasValue) seconds = args[++i].toInt(&ok);
    else if (a == QLatin1String("--seed") && hasValue) seed = args[++i].toUInt(&ok);
    else if (a == QLatin1String("--verbose")) verbose = true;
    else ok = false;
    if (!ok || ops < 1 || seconds < 1) {
      std::fprintf(stderr, "usage: kvt_soak [--ops N] [--seconds S] [--seed X] [--verbose]\n");
      return 2;
    }
  }
  std::printf("soak: seed %u, at most %ld operations in %d s\n", seed, ops, seconds);
  kvt::soak::Soak soak(seed, verbose);
  if (!soak.open()) return 1;
  return soak.run(ops, seconds) ? 0 : 1;
}
