#include "output.h"

#include <cstdio>

namespace kvt::cli {

namespace {
void Write(std::FILE* f, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f);
  std::fflush(f);
}
}  // namespace

void PrintLine(const QString& line) { Write(stdout, line + QLatin1Char('\n')); }

void PrintField(const QString& name, const QString& value) {
  PrintLine(name + QStringLiteral(": ") + value);
}

void PrintRaw(const QString& text) { Write(stdout, text); }

void PrintError(const QString& text) { Write(stderr, QStringLiteral("kvt730ctl: ") + text + QLatin1Char('\n')); }

}  // namespace kvt::cli
