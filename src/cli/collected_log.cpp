// SPDX-License-Identifier: MIT
#include "collected_log.h"

#include "output.h"

namespace kvt::cli {

void CollectedLog::traffic(Direction d, const QByteArray& bytes, const QDateTime& at) {
  if (entrySink) entrySink({d, bytes, at});
  else if (keepEntries_) entries_.push_back({d, bytes, at});
}

void CollectedLog::print() const { PrintRaw(text_); }

}  // namespace kvt::cli
