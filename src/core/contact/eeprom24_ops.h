// SPDX-License-Identifier: MIT
#pragma once
// The "24CXX" page: serial EEPROM cards. The reader finds the size itself when it powers
// the card up and names it; reads and writes carry a two-byte address.
#include "contact_ops.h"

namespace kvt {

struct Eeprom24Fields {
  QString high = QStringLiteral("00");    // IC24XXADD1
  QString low = QStringLiteral("00");     // IC24XXADD2
  QString length = QStringLiteral("80");  // IC24XXLONG
};

// IC24Reset "Activate": "T" "0" with the data byte "0"; names the size found.
Outcome Eeprom24Activate(Session& s, const QString& addressText);
// IC24ICStatus "Inquire Status": "T" "2".
Outcome Eeprom24InquireStatus(Session& s, const QString& addressText);
// IC24ICDown "Deactivate" is MemoryCardDeactivate (contact_ops.h).

// IC24XXREAD "Read Data": 00 B0 ADD1 ADD2 LONG into the grid.
GridOutcome Eeprom24Read(Session& s, const QString& addressText, const Eeprom24Fields& f,
                         const GridClear& clearNow = {});
// IC24XXWRITE "Write Data": 00 D0 ADD1 ADD2 LONG and LONG bytes from the grid.
GridOutcome Eeprom24Write(Session& s, const QString& addressText, const Eeprom24Fields& f, const QStringList& cells);

}  // namespace kvt
