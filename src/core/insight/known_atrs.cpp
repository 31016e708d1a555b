// SPDX-License-Identifier: MIT
#include "known_atrs.h"

#include <QFile>
#include <QMutex>
#include <QStringDecoder>
#include <map>

#include "core/base/conversions.h"

namespace kvt::insight {

namespace {

const char* const kDefaultPath = "/usr/share/pcsc/smartcard_list.txt";

// A line as UTF-8 when it is valid UTF-8, otherwise as Latin-1.
QString decodeLine(const QByteArray& line) {
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString text = utf8.decode(line);
  return utf8.hasError() ? QString::fromLatin1(line) : text;
}

bool plainPattern(const QString& p) {
  for (QChar c : p) {
    const char16_t u = c.unicode();
    const bool ok = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f') || u == '.' || u == ' ';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

KnownAtrList KnownAtrList::Parse(const QByteArray& text) {
  KnownAtrList list;
  Entry current;
  bool open = false;
  const auto close = [&] {
    if (open && !current.descriptions.isEmpty()) list.entries_.push_back(std::move(current));
    current = Entry();
    open = false;
  };
  for (QByteArray line : text.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.startsWith('#')) continue;
    if (line.startsWith('\t')) {
      const QString d = decodeLine(line.mid(1)).trimmed();
      if (open && !d.isEmpty()) current.descriptions << d;
      continue;
    }
    const QString pattern = decodeLine(line).trimmed();
    close();
    if (pattern.isEmpty()) continue;
    current.pattern = pattern;
    current.plain = plainPattern(pattern);
    if (!current.plain)
      current.re = QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                      QRegularExpression::CaseInsensitiveOption);
    open = true;
  }
  close();
  return list;
}

bool KnownAtrList::matches(const Entry& e, const QString& atrText) const {
  if (!e.plain) return e.re.isValid() && e.re.match(atrText).hasMatch();
  if (e.pattern.size() != atrText.size()) return false;
  for (int i = 0; i < atrText.size(); ++i) {
    const QChar p = e.pattern.at(i);
    if (p != QLatin1Char('.') && p.toUpper() != atrText.at(i)) return false;
  }
  return true;
}

QStringList KnownAtrList::descriptions(const QByteArray& atr) const {
  const QString atrText = HexEntries(atr).trimmed();
  QStringList out;
  for (const Entry& e : entries_) {
    if (!matches(e, atrText)) continue;
    for (const QString& d : e.descriptions)
      if (!out.contains(d)) out << d;
  }
  return out;
}

QString KnownAtrListPath() {
  const QString env = qEnvironmentVariable("KVT_SMARTCARD_LIST");
  return env.isEmpty() ? QString::fromLatin1(kDefaultPath) : env;
}

std::shared_ptr<const KnownAtrList> LoadKnownAtrList(const QString& path) {
  static QMutex mutex;
  static std::map<QString, std::shared_ptr<const KnownAtrList>> loaded;
  QMutexLocker lock(&mutex);
  const auto it = loaded.find(path);
  if (it != loaded.end()) return it->second;
  QByteArray text;
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) text = file.readAll();
  auto list = std::make_shared<const KnownAtrList>(KnownAtrList::Parse(text));
  loaded.emplace(path, list);
  return list;
}

QStringList KnownAtrLines(const QByteArray& atr, const KnownAtrList& list) {
  QStringList lines;
  for (const QString& d : list.descriptions(atr)) lines << QStringLiteral("Known as: ") + d;
  return lines;
}

QStringList KnownAtrLines(const QByteArray& atr) { return KnownAtrLines(atr, *LoadKnownAtrList(KnownAtrListPath())); }

}  // namespace kvt::insight
