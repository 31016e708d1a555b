// SPDX-License-Identifier: MIT
#include "run_output.h"

#include <cstdio>
#include <mutex>

namespace kvt::cli {

namespace {
thread_local RunOutput* tCurrent = nullptr;
std::mutex gWriteMutex;
}  // namespace

RunOutput* CurrentOutput() { return tCurrent; }

OutputScope::OutputScope(RunOutput& output) : previous_(tCurrent) { tCurrent = &output; }

OutputScope::~OutputScope() { tCurrent = previous_; }

void WriteWhole(bool toStderr, const QByteArray& bytes) {
  WriteWholeWith(toStderr, [&bytes](const PutBytes& put) { put(bytes); });
}

void WriteWholeWith(bool toStderr, const std::function<void(const PutBytes&)>& write) {
  std::FILE* f = toStderr ? stderr : stdout;
  const std::lock_guard<std::mutex> lock(gWriteMutex);
  write([f](const QByteArray& bytes) { std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f); });
  std::fflush(f);
}

void TextOutput::line(const QString& text) { WriteWhole(false, (prefix_ + text + QLatin1Char('\n')).toUtf8()); }

void TextOutput::raw(const QString& text) {
  if (prefix_.isEmpty()) {
    WriteWhole(false, text.toUtf8());
    return;
  }
  // The prefix in front of every line; the line ends stay as they are.
  QString out;
  qsizetype start = 0;
  while (start < text.size()) {
    const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    const qsizetype stop = end < 0 ? text.size() : end + 1;
    out += prefix_ + text.mid(start, stop - start);
    start = stop;
  }
  WriteWhole(false, out.toUtf8());
}

void TextOutput::error(const QString& text) {
  WriteWhole(true, (prefix_ + QStringLiteral("kvt730ctl: ") + text + QLatin1Char('\n')).toUtf8());
}

void RecordOutput::error(const QString& text) {
  record_.errors << text;
  errors_.error(text);
}

}  // namespace kvt::cli
