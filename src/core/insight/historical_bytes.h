// SPDX-License-Identifier: MIT
#pragma once
// The historical bytes of an answer to reset or an answer to select, after ISO/IEC 7816-4:
// the category indicator, the compact-TLV data objects and the status indicator.
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <cstdint>

#include "fact.h"

namespace kvt::insight {

// One fact per line, e.g. "Category indicator" / "80 (compact-TLV data objects)",
// "Card service data" / "C5", "SW 9000" / "Normal processing". A broken object list ends
// with a "Historical bytes error" fact saying where. No bytes give no facts.
QList<Fact> DecodeHistoricalBytes(const QByteArray& bytes);

// Life cycle status byte of a status indicator: "05" gives "operational state (activated)".
QString LifeCycleStatusText(uint8_t lcs);

QStringList HistoricalBytesLines(const QByteArray& bytes);

}  // namespace kvt::insight
