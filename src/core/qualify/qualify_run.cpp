// SPDX-License-Identifier: MIT
#include "qualify_run.h"

#include <QElapsedTimer>

#include "core/base/conversions.h"
#include "core/contact/ic_type_ops.h"
#include "core/link/engine.h"
#include "core/link/log_format.h"
#include "core/link/probe.h"
#include "core/machine/initialize_ops.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "core/rf/rf_activation_ops.h"

namespace kvt::qualify {

namespace {

void Pass(CheckResult& c, const QString& detail) {
  c.verdict = Verdict::Pass;
  c.detail = detail;
}

void Fail(CheckResult& c, const QString& detail) {
  c.verdict = Verdict::Fail;
  c.detail = detail;
}

void Skip(CheckResult& c, const QString& reason) {
  c.verdict = Verdict::Skip;
  c.detail = reason;
}

// True for a positive reply; otherwise the check fails with what the operation said, and
// an exchange that got no usable reply ends the run's exchanges.
bool Answered(QualifyContext& x, const Outcome& o, CheckResult& c) {
  if (o.status == OpStatus::Done) return true;
  QString said = x.run.notes().take();
  if (o.status == OpStatus::ExchangeFailed) {
    x.linkLost = true;
    Fail(c, said.isEmpty() ? QStringLiteral("no usable reply") : said);
  } else if (o.status == OpStatus::Negative) {
    Fail(c, said.isEmpty() ? QStringLiteral("negative reply %1").arg(QString::fromLatin1(o.reply.bytes.mid(3, 2)))
                           : said);
  } else {
    Fail(c, said.isEmpty() ? QStringLiteral("a reply of no known kind") : said);
  }
  return false;
}

Session& S(QualifyContext& x) { return x.run.session(); }
const QString& A(QualifyContext& x) { return x.plan.address; }

void CheckLink(QualifyContext& x, CheckResult& c) {
  const auto address = ReadHexByte(A(x));
  if (!address) {
    x.linkLost = true;
    return Fail(c, QStringLiteral("the device address %1 is not hexadecimal").arg(A(x)));
  }
  const QString probe = VerifyProbe(S(x).port, S(x).log, *address, S(x).timeouts());
  EndOperation(S(x));
  if (probe == QLatin1String("OK")) return Pass(c, QStringLiteral("Probe: OK at address %1").arg(A(x)));
  x.linkLost = true;
  Fail(c, probe.isEmpty() ? QStringLiteral("Probe: a reply of no known kind") : QStringLiteral("Probe: ") + probe);
}

void CheckInitialize(QualifyContext& x, CheckResult& c) {
  const Outcome o = Initialize(S(x), A(x), [] { return int('0'); });
  if (!Answered(x, o, c)) return;
  x.run.notes().take();
  const QStringList lines = o.message ? o.message->text.split(CRLF) : QStringList();
  const QString prefix = QStringLiteral("Fireware Ver:");
  const QString firmware = lines.value(2).startsWith(prefix) ? lines.value(2).mid(prefix.size()) : QString();
  x.result.unit.firmware = firmware.trimmed();
  if (x.result.unit.firmware.isEmpty())
    return Fail(c, o.message ? QStringLiteral("the firmware version is empty")
                             : QStringLiteral("the firmware version request got no positive reply"));
  Pass(c, lines.value(1) + QStringLiteral("; firmware ") + x.result.unit.firmware);
}

void CheckSerial(QualifyContext& x, CheckResult& c) {
  if (!Answered(x, ReadSN(S(x), A(x)), c)) return;
  x.result.unit.serial = SerialNumberText(S(x).state);
  if (x.result.unit.serial.isEmpty()) return Fail(c, QStringLiteral("the serial number is empty"));
  Pass(c, x.result.unit.serial);
}

void CheckConfiguration(QualifyContext& x, CheckResult& c) {
  const Outcome o = ReadConfig(S(x), A(x));
  if (!Answered(x, o, c)) return;
  const QStringList rows = DecodeConfig(S(x).state.ConfigBytes);
  x.result.unit.configuration = rows;
  const int got = static_cast<int>(o.reply.data().size());
  if (got < S(x).state.ConfigBytes.size())
    return Fail(c, QStringLiteral("the record has %1 of %2 bytes").arg(got).arg(S(x).state.ConfigBytes.size()));
  QStringList unknown;
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].trimmed().isEmpty()) unknown << QString::fromLatin1(kConfigRows[i].caption);
  if (!unknown.isEmpty()) return Fail(c, QStringLiteral("not decoded: ") + unknown.join(QStringLiteral(", ")));
  Pass(c, QString::fromLatin1(o.reply.data()));
}

void CheckCounter(QualifyContext& x, CheckResult& c) {
  const CounterOutcome o = ReadCounter(S(x), A(x));
  if (!Answered(x, o, c)) return;
  x.result.unit.counter = o.counterText.value_or(QString());
  bool digits = !x.result.unit.counter.isEmpty();
  for (QChar ch : x.result.unit.counter) digits = digits && ch.isDigit();
  if (!digits) return Fail(c, QStringLiteral("not a decimal count: \"%1\"").arg(x.result.unit.counter));
  Pass(c, x.result.unit.counter);
}

void CheckCardStatus(QualifyContext& x, CheckResult& c) {
  const Outcome o = CardStatus(S(x), A(x));
  if (!Answered(x, o, c)) {
    x.noCardReason = QStringLiteral("the card status did not answer");
    return;
  }
  const uint8_t st0 = o.reply.at(3), st1 = o.reply.at(4), st2 = o.reply.at(5);
  const bool cardIn = st0 == '1' || st0 == '2';
  const bool stacker = st1 == '1' || st1 == '2';
  x.cardAvailable = x.plan.cardInside || cardIn || stacker;
  if (!x.cardAvailable) x.noCardReason = QStringLiteral("no card in the reader and the stacker is empty");
  QStringList lines = CardStatusText(st0, st1, st2).split(CRLF);
  lines.removeFirst();
  const bool known = st0 >= '0' && st0 <= '2' && st1 >= '0' && st1 <= '2' && (st2 == '0' || st2 == '1');
  if (!known)
    return Fail(c, QStringLiteral("status characters outside the table: %1 %2 %3")
                       .arg(HexByte(st0), HexByte(st1), HexByte(st2)));
  Pass(c, lines.join(QStringLiteral("; ")));
}

void CheckSensors(QualifyContext& x, CheckResult& c) {
  if (!Answered(x, SensorStatus(S(x), A(x)), c)) return;
  const QByteArray& bytes = S(x).state.SensorStateBytes;
  const int rows = SensorRowCount(S(x).variant);
  QStringList wrong;
  QString shown;
  for (int k = 0; k < rows; ++k) {
    const char b = bytes.at(k);
    shown += (b == '0' || b == '1') ? QChar(QLatin1Char(b)) : QChar(QLatin1Char('?'));
    if (b != '0' && b != '1') wrong << QStringLiteral("%1 reads %2").arg(QLatin1String(kSensorRows[k].caption), HexByte(b));
  }
  if (!wrong.isEmpty()) return Fail(c, wrong.join(QStringLiteral("; ")));
  Pass(c, QStringLiteral("%1 sensors: %2").arg(rows).arg(shown));
}

std::function<void(QualifyContext&, CheckResult&)> EntryCheck(Movement m) {
  return [m](QualifyContext& x, CheckResult& c) {
    const Outcome o = MoveCard(S(x), A(x), m);
    if (Answered(x, o, c)) Pass(c, o.message ? o.message->text : QString());
  };
}

std::function<void(QualifyContext&, CheckResult&)> MoveCheck(const PathMove& move) {
  return [move](QualifyContext& x, CheckResult& c) {
    x.atIc = x.atRf = false;
    if (!x.cardAvailable) return Skip(c, x.noCardReason);
    const MotionOutcome m = MoveAndConfirm(x.run, A(x), move, 0);
    c.move = QString::fromLatin1(move.name);
    c.motion = m;
    if (m.failure) {
      if (*m.failure == FailureClass::Exchange) x.linkLost = true;
      return Fail(c, m.detail);
    }
    x.atIc = move.movement == Movement::IC;
    x.atRf = move.movement == Movement::RF;
    Pass(c, QStringLiteral("%1 (move %2 ms)").arg(m.detail, QString::number(m.ms(), 'f', 1)));
  };
}

// The IC or RF type check: what the reader finds at the position the card stands at.
std::function<void(QualifyContext&, CheckResult&)> TypeCheck(bool ic, bool onPath) {
  return [ic, onPath](QualifyContext& x, CheckResult& c) {
    const QString position = ic ? QStringLiteral("IC") : QStringLiteral("RF");
    if (S(x).variant != Variant::B) return Skip(c, QStringLiteral("variant M detects no card types"));
    if (!x.cardAvailable) return Skip(c, x.noCardReason);
    if (!onPath) return Skip(c, QStringLiteral("the path does not visit the %1 position").arg(position));
    if (!(ic ? x.atIc : x.atRf)) return Skip(c, QStringLiteral("the card did not reach the %1 position").arg(position));
    Outcome o;
    QString text;
    if (ic) {
      const IcTypeOutcome t = IcCardType(S(x), A(x));
      o = t;
    } else {
      const RfTypeOutcome t = RfCardType(S(x), A(x));
      o = t;
    }
    if (!Answered(x, o, c)) return;
    x.run.notes().take();
    const QString code = QString::fromLatin1(o.reply.bytes.mid(6, 2)).trimmed();
    text = ic ? IcTypeText(code) : RfTypeText(code);
    if (code == QLatin1String("00"))
      return Skip(c, QStringLiteral("no %1 card found (%2)").arg(ic ? QStringLiteral("contact") : QStringLiteral("contactless"), text));
    if (text == QLatin1String("Unknow Error")) return Fail(c, QStringLiteral("Unknow Error (code \"%1\")").arg(code));
    Pass(c, text);
  };
}

}  // namespace

std::vector<Check> QualifyChecks(const QualifyPlan& plan) {
  std::vector<Check> checks = {
      {QStringLiteral("link"), CheckLink},
      {QStringLiteral("initialize"), CheckInitialize},
      {QStringLiteral("serial number"), CheckSerial},
      {QStringLiteral("configuration"), CheckConfiguration},
      {QStringLiteral("capture counter"), CheckCounter},
      {QStringLiteral("card status"), CheckCardStatus},
      {QStringLiteral("sensor status"), CheckSensors},
      {QStringLiteral("entry allow"), EntryCheck(Movement::AllowEntry)},
      {QStringLiteral("entry forbid"), EntryCheck(Movement::ForbidEntry)},
  };
  const auto path = PathOf(plan.path).value_or(std::vector<PathMove>{});
  bool icDone = false, rfDone = false;
  for (const PathMove& m : path) {
    checks.push_back({QStringLiteral("move ") + QLatin1String(m.name), MoveCheck(m)});
    if (m.movement == Movement::IC && !icDone) {
      checks.push_back({QStringLiteral("ic type"), TypeCheck(true, true)});
      icDone = true;
    }
    if (m.movement == Movement::RF && !rfDone) {
      checks.push_back({QStringLiteral("rf type"), TypeCheck(false, true)});
      rfDone = true;
    }
  }
  if (!icDone) checks.push_back({QStringLiteral("ic type"), TypeCheck(true, false)});
  if (!rfDone) checks.push_back({QStringLiteral("rf type"), TypeCheck(false, false)});
  return checks;
}

QualifyResult RunQualify(Session& session, const QualifyPlan& plan, const QualifyHooks& hooks) {
  QualifyResult r;
  r.started = QDateTime::currentDateTime();
  r.unit.port = plan.portName;
  r.unit.variant = session.variant;
  if (!session.state.PortOpened) {
    session.notifier.warn(kCaution, kPortSetupFirst);
    r.end = RunEnd::PortClosed;
    return r;
  }
  RunSession run(session, true);
  QualifyContext x{run, plan, r};
  const std::vector<Check> checks = QualifyChecks(plan);
  const int total = static_cast<int>(checks.size());
  for (int i = 0; i < total; ++i) {
    CheckResult c;
    c.name = checks[i].name;
    if (r.end != RunEnd::Stopped && hooks.stopRequested && hooks.stopRequested()) r.end = RunEnd::Stopped;
    if (r.end == RunEnd::Stopped) {
      Skip(c, QStringLiteral("stopped"));
    } else if (x.linkLost) {
      Skip(c, QStringLiteral("the reader stopped answering"));
    } else {
      run.notes().take();
      QElapsedTimer timer;
      timer.start();
      checks[i].run(x, c);
      c.ms = timer.nsecsElapsed() / 1e6;
      // Stopped midway (Ctrl-C cuts the exchange short): the check says so, not that it failed.
      if (hooks.stopRequested && hooks.stopRequested()) {
        r.end = RunEnd::Stopped;
        x.linkLost = false;
        if (c.verdict == Verdict::Fail) Skip(c, QStringLiteral("stopped"));
      }
    }
    if (x.linkLost) r.end = RunEnd::LinkFailed;
    r.checks.push_back(c);
    if (hooks.checkDone) hooks.checkDone(r, i + 1, total);
  }
  r.log = run.log();
  return r;
}

}  // namespace kvt::qualify
