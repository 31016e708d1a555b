// SPDX-License-Identifier: MIT
#include "monitor_session.h"

#include <QFile>
#include <QSaveFile>

#include "core/link/engine.h"
#include "core/link/port_setup.h"

namespace kvt::monitor {

namespace {
const QString kCaptureName = QStringLiteral("capture.pcapng");
const QString kLogName = QStringLiteral("exchange.log");
}  // namespace

SessionStart MonitorSession::start(const MonitorSetup& setup) {
  stop();
  files_.close();
  count_ = 0;
  SessionStart out;
  folder_.emplace();
  QString error;
  if (!folder_->isValid() || !files_.openCapture(folder_->filePath(kCaptureName), &error) ||
      !files_.openLog(folder_->filePath(kLogName), &error)) {
    out.message = Message{MessageIcon::Warning, kCaution, QStringLiteral("No room for the capture: %1").arg(error)};
    return out;
  }
  const StartResult r = run_.start(setup);
  if (!r.ok) {
    const auto text = OpenFailureText(r.error, r.device);
    out.message = Message{MessageIcon::Warning, kCaution,
                          text ? *text : QStringLiteral("%1 could not be opened").arg(r.device.isEmpty() ? QStringLiteral("A pseudo-terminal") : r.device)};
    return out;
  }
  out.ok = true;
  out.appDevice = run_.appDevice();
  return out;
}

std::vector<LineUnit> MonitorSession::poll(size_t max) {
  std::vector<LineUnit> units = run_.take(0, max);
  if (!units.empty()) {
    files_.write(units);
    files_.flush();
    count_ += units.size();
  }
  return units;
}

void MonitorSession::stop() { run_.stop(); }

std::optional<Message> MonitorSession::copyOut(const QString& from, const QString& to) {
  const auto failed = [&](const QString& why) {
    return Message{MessageIcon::Warning, kCaution, QStringLiteral("%1 could not be written: %2").arg(to, why)};
  };
  if (!folder_) return failed(QStringLiteral("nothing was monitored yet"));
  files_.flush();
  QFile in(folder_->filePath(from));
  QSaveFile out(to);
  if (!in.open(QIODevice::ReadOnly)) return failed(in.errorString());
  if (!out.open(QIODevice::WriteOnly)) return failed(out.errorString());
  while (!in.atEnd()) {
    const QByteArray chunk = in.read(1 << 20);
    if (out.write(chunk) != chunk.size()) return failed(out.errorString());
  }
  if (!out.commit()) return failed(out.errorString());
  return std::nullopt;
}

std::optional<Message> MonitorSession::saveCapture(const QString& path) { return copyOut(kCaptureName, path); }

std::optional<Message> MonitorSession::saveLog(const QString& path) { return copyOut(kLogName, path); }

}  // namespace kvt::monitor
