// SPDX-License-Identifier: MIT
#pragma once
// Finding the reader: the verify probe of "OK", the silent scan probe, and the scan.
#include <QString>
#include <vector>

#include "core/base/app_state.h"
#include "core/base/log_sink.h"
#include "port_map.h"
#include "serial_port.h"
#include "timeouts.h"

namespace kvt {

// Logged Card Status probe: "OK", "ERROR", or "" when the reply remainder is missing or
// its kind is neither "P" nor "N".
QString VerifyProbe(SerialPort& port, LogSink& log, uint8_t address, const Timeouts& t);

// Silent probe; true when a reply with a good check byte and kind "P"/"N" came back.
bool ScanProbe(SerialPort& port, uint8_t address, const Timeouts& t);

// Closes and reopens the port on COMn at baud; leaves the outcome in state.ScanOpen.
OpenError OpenComm(SerialPort& port, const PortMap& map, AppState& state, int n, int baud);

// Baud rates tried for each port, in the variant's order.
std::vector<int> ScanBauds(Variant v);

struct ScanResult {
  bool found = false;
  int port = 0;
  int baud = 0;
  QString label;  // text for the dialog's status label
};

// Every port 1..16 at every baud of the variant; the port stays open where the reader
// answered. Does not set PortOpened.
ScanResult Scan(SerialPort& port, const PortMap& map, AppState& state, Variant v, uint8_t address,
                const Timeouts& t);

}  // namespace kvt
