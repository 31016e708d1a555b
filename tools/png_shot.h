// SPDX-License-Identifier: MIT
#pragma once
// A window's picture as a small PNG for the manual: drawn by the widget itself
// (QWidget::grab), reduced to a palette of its 256 most used colours.
#include <QImage>
#include <QString>

class QWidget;

namespace shots {

// The image with at most 256 colours: the most frequent ones, every other pixel on its
// nearest of them. An image that has 256 colours or fewer keeps them exactly.
QImage ToPalette(const QImage& image);

// Paints what is pending, grabs `window` and writes it to `path` (whole, or not at all).
// False, with the reason on stderr, when the file cannot be written.
bool SaveShot(QWidget& window, const QString& path);

}  // namespace shots
