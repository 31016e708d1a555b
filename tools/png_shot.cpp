// SPDX-License-Identifier: MIT
#include "png_shot.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <QSaveFile>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace shots {

QImage ToPalette(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  QHash<QRgb, qint64> counts;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) ++counts[line[x] | 0xFF000000u];
  }
  std::vector<std::pair<qint64, QRgb>> byUse;
  byUse.reserve(static_cast<size_t>(counts.size()));
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) byUse.emplace_back(it.value(), it.key());
  // Most used first; equal counts in colour order, so that the same picture gives the same file.
  std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  QList<QRgb> table;
  for (size_t i = 0; i < byUse.size() && i < 256; ++i) table << byUse[i].second;
  // Qt maps every pixel to its nearest colour of the table (no dithering: flat, sharp text).
  return rgb.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

bool SaveShot(QWidget& window, const QString& path) {
  QCoreApplication::processEvents();
  const QImage image = ToPalette(window.grab().toImage());
  QSaveFile file(path);
  QImageWriter writer(&file, "png");
  writer.setQuality(0);  // the PNG writer's strongest compression
  if (!file.open(QIODevice::WriteOnly) || !writer.write(image) || !file.commit()) {
    std::fprintf(stderr, "kvt730-screenshots: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString()));
    return false;
  }
  std::printf("%s: %dx%d, %lld bytes\n", qPrintable(path), image.width(), image.height(),
              static_cast<long long>(QFileInfo(path).size()));
  return true;
}

}  // namespace shots
