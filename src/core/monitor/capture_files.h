// SPDX-License-Identifier: MIT
#pragma once
// The files a monitor run writes as it goes: the capture (pcapng) and the exchange as a
// communication log. Each unit is written whole; flush() hands everything written to the
// system, so both files can be read at any time and stay whole when the run is stopped.
#include <QFile>
#include <QString>
#include <vector>

#include "line_unit.h"
#include "pcapng.h"

namespace kvt::monitor {

class CaptureFiles {
 public:
  // Each creates or replaces its file; false with the reason.
  bool openCapture(const QString& path, QString* error);
  bool openLog(const QString& path, QString* error);
  // False when a file could not be written (the disk is full); the run goes on.
  bool write(const std::vector<LineUnit>& units);
  void flush();
  void close();

 private:
  pcapng::Writer capture_;
  QFile log_;
};

// Whether a file may be written at path: its folder exists and it is no folder itself.
// Empty when it may, else why not.
QString CheckOutputPath(const QString& path);

}  // namespace kvt::monitor
