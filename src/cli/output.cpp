// SPDX-License-Identifier: MIT
#include "output.h"

#include "run_output.h"

namespace kvt::cli {

void PrintLine(const QString& line) {
  if (RunOutput* o = CurrentOutput()) o->line(line);
  else WriteWhole(false, (line + QLatin1Char('\n')).toUtf8());
}

void PrintField(const QString& name, const QString& value) {
  if (RunOutput* o = CurrentOutput()) o->field(name, value);
  else PrintLine(name + QStringLiteral(": ") + value);
}

void PrintMessage(const Message& m) {
  if (RunOutput* o = CurrentOutput()) o->message(m);
  else PrintLine(MessageLine(m));
}

void PrintRaw(const QString& text) {
  if (RunOutput* o = CurrentOutput()) o->raw(text);
  else WriteWhole(false, text.toUtf8());
}

void PrintError(const QString& text) {
  if (RunOutput* o = CurrentOutput()) o->error(text);
  else WriteWhole(true, (QStringLiteral("kvt730ctl: ") + text + QLatin1Char('\n')).toUtf8());
}

}  // namespace kvt::cli
