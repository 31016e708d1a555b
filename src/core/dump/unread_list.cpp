// SPDX-License-Identifier: MIT
#include "unread_list.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QList>

namespace kvt {

namespace {

QByteArray sha256(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// "N" or "N-M" as the first and last offset; false when it is neither or out of order.
bool parseRun(const QByteArray& text, int* first, int* last) {
  const QList<QByteArray> parts = text.split('-');
  bool ok1 = false, ok2 = false;
  *first = parts.value(0).toInt(&ok1);
  *last = parts.size() == 2 ? parts[1].toInt(&ok2) : *first;
  return parts.size() <= 2 && ok1 && (parts.size() == 1 || ok2) && *first >= 0 && *first <= *last;
}

}  // namespace

QString UnreadListPath(const QString& imagePath) { return imagePath + QStringLiteral(".unread"); }

QByteArray WriteUnreadList(const CardImage& image, const QByteArray& fileBytes, const QString& fileName) {
  const QByteArray name = QFileInfo(fileName).fileName().toUtf8();
  QByteArray text = "# Bytes of " + name + " that the dump could not read: the file holds 00 there.\n" +
                    "# A restore from " + name + " leaves these bytes of the card as they are.\n" +
                    "sha256 " + sha256(fileBytes) + "\n";
  for (const auto& [first, last] : image.unknownRanges())
    text += "unread " + QByteArray::number(first) + (first == last ? QByteArray() : "-" + QByteArray::number(last)) +
            "\n";
  return text;
}

QString ApplyUnreadList(const QByteArray& list, const QByteArray& fileBytes, CardImage* image) {
  QList<std::pair<int, int>> runs;
  QByteArray hash;
  const QList<QByteArray> lines = list.split('\n');
  for (int i = 0; i < lines.size(); ++i) {
    QByteArray line = lines[i];
    if (const int hashMark = static_cast<int>(line.indexOf('#')); hashMark >= 0) line.truncate(hashMark);
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.value(0).isEmpty()) continue;
    int first = 0, last = 0;
    if (words.size() == 2 && words[0] == "sha256" && hash.isEmpty() && words[1].size() == 64) {
      hash = words[1].toLower();
    } else if (words.size() == 2 && words[0] == "unread" && parseRun(words[1], &first, &last) &&
               last < image->size()) {
      runs.append({first, last});
    } else {
      return QStringLiteral("line %1: expected \"sha256\" and 64 hex digits once, or \"unread\" and a byte "
                            "offset or a run FIRST-LAST below %2")
          .arg(i + 1)
          .arg(image->size());
    }
  }
  if (hash.isEmpty()) return QStringLiteral("no \"sha256\" line");
  if (hash != sha256(fileBytes))
    return QStringLiteral("it lists the bytes of another version of the image file (the SHA-256 differs)");
  for (const auto& [first, last] : runs) image->forget(first, last - first + 1);
  return QString();
}

}  // namespace kvt
