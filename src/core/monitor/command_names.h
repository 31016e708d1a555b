// SPDX-License-Identifier: MIT
#pragma once
// The one table of command names the monitor shows: command and parameter code and, for
// the commands that carry an APDU-style header in their data (the SLE and 24Cxx memory
// commands, the contactless envelope 0x60 "3"), the instruction and P1 the operations send.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace kvt::monitor {

// The name of a command frame's CM, PM and data, as the windows and kvt730ctl name the
// operation ("Card Status", "Move card to IC card operation position", "SLE4442 read main
// memory"); "unknown command 5A 31" for codes no operation sends.
QString CommandName(uint8_t cm, uint8_t pm, const QByteArray& data = {});

}  // namespace kvt::monitor
