// SPDX-License-Identifier: MIT
#pragma once
// Program-wide state shared by the windows of one run.
#include <QByteArray>
#include <QString>

namespace kvt {

enum class Variant { B, M };

// Run control of the command-line window: set by Stop and Cancel, read by the script
// transport as the next command is about to be sent.
enum class ScriptControl { Run = 0, Stop = 1, Cancel = 2 };

struct AppState {
  bool PortOpened = false;          // set only by a verified "OK" of the port setup
  int InitializeParameter = 0;      // 0: nothing chosen, else the INITIALIZE parameter code
  QByteArray SensorStateBytes = QByteArray(12, '\0');
  QByteArray ConfigBytes = QByteArray(11, '\0');
  QString UnitTextValue;
  bool ScanOpen = false;            // the last OpenComm opened the port
  bool ScanFound = false;           // the last scan probe got a valid reply
  // Command-line run state, shared by the script window and its transport.
  int LineCount = 0;                // lines of the script, as its text box counts them
  int CurrentLine = 0;              // index of the line being sent or to be sent next
  ScriptControl RunControl = ScriptControl::Run;
};

}  // namespace kvt
