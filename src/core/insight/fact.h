// SPDX-License-Identifier: MIT
#pragma once
// One decoded line of a card answer: a name and its meaning, shown as "name: value".
#include <QList>
#include <QString>
#include <QStringList>

namespace kvt::insight {

struct Fact {
  QString name;
  QString value;
  bool operator==(const Fact& o) const { return name == o.name && value == o.value; }
};

inline QStringList FactLines(const QList<Fact>& facts) {
  QStringList lines;
  for (const Fact& f : facts) lines << f.name + QStringLiteral(": ") + f.value;
  return lines;
}

}  // namespace kvt::insight
