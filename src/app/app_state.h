#pragma once
// Program-wide state shared by the windows of one run.
#include <QByteArray>
#include <QString>

namespace kvt {

enum class Variant { B, M };

struct AppState {
  bool PortOpened = false;          // set only by a verified "OK" of the port setup
  int InitializeParameter = 0;      // 0: nothing chosen, else the INITIALIZE parameter code
  QByteArray SensorStateBytes = QByteArray(12, '\0');
  QByteArray ConfigBytes = QByteArray(11, '\0');
  QString UnitTextValue;
  bool ScanOpen = false;            // the last OpenComm opened the port
  bool ScanFound = false;           // the last scan probe got a valid reply
};

}  // namespace kvt
