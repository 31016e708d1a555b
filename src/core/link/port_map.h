// SPDX-License-Identifier: MIT
#pragma once
// Which device each port name "COM1".."COM16" opens.
#include <QMap>
#include <QString>

namespace kvt {

class PortMap {
 public:
  static constexpr int kPorts = 16;

  // Windows: the name itself; elsewhere COMn -> /dev/ttyS(n-1).
  static QString defaultDevice(int n);

  QString device(int n) const;
  void set(int n, const QString& device) { overrides_[n] = device; }
  // The names pointed somewhere other than their default, by number.
  const QMap<int, QString>& overrides() const { return overrides_; }

  // "COM3=/dev/ttyUSB0"; false when the text is not of that form or n is outside 1..16.
  bool parseOverride(const QString& text);

  // A "--port" value: a COM name through the map, or a device path as it is.
  QString resolve(const QString& nameOrDevice) const;

 private:
  QMap<int, QString> overrides_;
};

// "COM1".."COM15" -> 1..15; anything else 0.
int PortNumberFromText(const QString& text);
// "9600 bits/s", "19200 bits/s", "38400 bits/s", "57600 bits/s", "115200 bits/s"; else 0.
int BaudFromText(const QString& text);

}  // namespace kvt
