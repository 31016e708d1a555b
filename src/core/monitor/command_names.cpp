// SPDX-License-Identifier: MIT
#include "command_names.h"

#include "core/base/conversions.h"

namespace kvt::monitor {

namespace {

// A row matches CM and PM and, when `header` is set, the header's INS (data byte 1) and
// P1 (data byte 2) under `p1Mask`. The first matching row wins, so the header rows of a
// command stand before its catch-all row.
struct NameRow {
  uint8_t cm, pm;
  bool header;
  uint8_t ins, p1, p1Mask;
  const char* name;
};

constexpr NameRow kNames[] = {
    {0x30, 0x30, false, 0, 0, 0, "INITIALIZE"},
    {0x30, 0x31, false, 0, 0, 0, "INITIALIZE"},
    {0x30, 0x33, false, 0, 0, 0, "INITIALIZE"},
    {0x30, 0x34, false, 0, 0, 0, "INITIALIZE"},
    {0x30, 0x35, false, 0, 0, 0, "INITIALIZE"},
    {0x30, 0x37, false, 0, 0, 0, "INITIALIZE"},
    {0xDC, 0x31, false, 0, 0, 0, "Firmware version"},
    {0x31, 0x30, false, 0, 0, 0, "Card Status"},
    {0x31, 0x31, false, 0, 0, 0, "Sensor Status"},
    {0x32, 0x39, false, 0, 0, 0, "Move card to the front"},
    {0x32, 0x30, false, 0, 0, 0, "Move card to the front, hold the card"},
    {0x32, 0x31, false, 0, 0, 0, "Move card to IC card operation position"},
    {0x32, 0x32, false, 0, 0, 0, "Move card to RF card operation position"},
    {0x32, 0x33, false, 0, 0, 0, "Move card to the error card bin"},
    {0x33, 0x30, false, 0, 0, 0, "Allowed"},
    {0x33, 0x31, false, 0, 0, 0, "Prohibition"},
    {0xA2, 0x30, false, 0, 0, 0, "Read SN"},
    {0xA3, 0x30, false, 0, 0, 0, "Unit configuration"},
    {0xA5, 0x30, false, 0, 0, 0, "Read Counter"},
    {0xA5, 0x31, false, 0, 0, 0, "InitializeI Counter"},
    {0x50, 0x30, false, 0, 0, 0, "IC Card Type"},
    {0x50, 0x31, false, 0, 0, 0, "RF Card Type"},
    {0x51, 0x30, false, 0, 0, 0, "CPU card cold reset"},
    {0x51, 0x38, false, 0, 0, 0, "CPU card warm reset"},
    {0x51, 0x32, false, 0, 0, 0, "CPU card status"},
    {0x51, 0x31, false, 0, 0, 0, "CPU card deactivate"},
    {0x51, 0x33, false, 0, 0, 0, "CPU card APDU (T=0)"},
    {0x51, 0x34, false, 0, 0, 0, "CPU card APDU (T=1)"},
    {0x51, 0x39, false, 0, 0, 0, "CPU card APDU (auto)"},
    {0x52, 0x40, false, 0, 0, 0, "Choose SAM"},
    {0x52, 0x30, false, 0, 0, 0, "SAM cold reset"},
    {0x52, 0x38, false, 0, 0, 0, "SAM warm reset"},
    {0x52, 0x32, false, 0, 0, 0, "SAM card status"},
    {0x52, 0x31, false, 0, 0, 0, "SAM deactivate"},
    {0x52, 0x39, false, 0, 0, 0, "SAM APDU"},
    {0x53, 0x30, false, 0, 0, 0, "SLE4442/4428 activate"},
    {0x53, 0x31, false, 0, 0, 0, "Memory card deactivate"},
    {0x53, 0x32, false, 0, 0, 0, "SLE4442/4428 inquire status"},
    {0x53, 0x33, true, 0x20, 0x03, 0xFF, "SLE4442 verify password"},
    {0x53, 0x33, true, 0xD0, 0x02, 0xFF, "SLE4442 change password"},
    {0x53, 0x33, true, 0xB0, 0x02, 0xFF, "SLE4442 read security memory"},
    {0x53, 0x33, true, 0xB0, 0x00, 0xFF, "SLE4442 read main memory"},
    {0x53, 0x33, true, 0xB0, 0x01, 0xFF, "SLE4442 read protection memory"},
    {0x53, 0x33, true, 0xD0, 0x00, 0xFF, "SLE4442 write main memory"},
    {0x53, 0x33, true, 0xD0, 0x01, 0xFF, "SLE4442 write protection memory"},
    {0x53, 0x33, false, 0, 0, 0, "SLE4442 command"},
    {0x53, 0x34, true, 0x20, 0x00, 0x00, "SLE4428 check password"},
    {0x53, 0x34, true, 0x24, 0x00, 0x00, "SLE4428 change password"},
    {0x53, 0x34, true, 0xB0, 0x10, 0xFF, "SLE4428 read protection memory"},
    {0x53, 0x34, true, 0xB0, 0x00, 0x00, "SLE4428 read main memory"},
    {0x53, 0x34, true, 0xD0, 0x20, 0xF0, "SLE4428 write with protection bit"},
    {0x53, 0x34, true, 0xD0, 0x00, 0xF0, "SLE4428 write without protection bit"},
    {0x53, 0x34, false, 0, 0, 0, "SLE4428 command"},
    {0x54, 0x30, false, 0, 0, 0, "24Cxx activate"},
    {0x54, 0x32, false, 0, 0, 0, "24Cxx inquire status"},
    {0x54, 0x33, true, 0xB0, 0x00, 0x00, "24Cxx read data"},
    {0x54, 0x33, true, 0xD0, 0x00, 0x00, "24Cxx write data"},
    {0x54, 0x33, false, 0, 0, 0, "24Cxx command"},
    {0x60, 0x30, false, 0, 0, 0, "RF activate"},
    {0x60, 0x31, false, 0, 0, 0, "RF deactivate"},
    {0x60, 0x32, false, 0, 0, 0, "RF inquire status"},
    {0x60, 0x34, false, 0, 0, 0, "Type A APDU"},
    {0x60, 0x35, false, 0, 0, 0, "Type B APDU"},
    {0x60, 0x33, true, 0xD0, 0x00, 0x00, "Download password to EEPROM"},
    {0x60, 0x33, true, 0x21, 0x00, 0x00, "Load password from the EEPROM"},
    {0x60, 0x33, true, 0x20, 0x00, 0x00, "Check password"},
    {0x60, 0x33, true, 0xD5, 0x00, 0x00, "Change Password"},
    {0x60, 0x33, true, 0xB0, 0x00, 0x00, "Read block data"},
    {0x60, 0x33, true, 0xD1, 0x00, 0x00, "Write Block Data"},
    {0x60, 0x33, true, 0xD2, 0x00, 0x00, "Purse initialize"},
    {0x60, 0x33, true, 0xD3, 0x00, 0x00, "Purse increment"},
    {0x60, 0x33, true, 0xD4, 0x00, 0x00, "Purse decrement"},
    {0x60, 0x33, true, 0xB1, 0x00, 0x00, "Purse read"},
    {0x60, 0x33, false, 0, 0, 0, "Contactless card command"},
};

bool Matches(const NameRow& r, uint8_t cm, uint8_t pm, const QByteArray& data) {
  if (r.cm != cm || r.pm != pm) return false;
  if (!r.header) return true;
  if (data.size() < 3) return false;
  return static_cast<uint8_t>(data[1]) == r.ins && (static_cast<uint8_t>(data[2]) & r.p1Mask) == r.p1;
}

}  // namespace

QString CommandName(uint8_t cm, uint8_t pm, const QByteArray& data) {
  for (const NameRow& r : kNames)
    if (Matches(r, cm, pm, data)) return QString::fromLatin1(r.name);
  return QStringLiteral("unknown command %1 %2").arg(HexByte(cm), HexByte(pm));
}

}  // namespace kvt::monitor
