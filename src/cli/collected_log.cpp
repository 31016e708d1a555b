#include "collected_log.h"

#include "output.h"

namespace kvt::cli {

void CollectedLog::print() const { PrintRaw(text_); }

}  // namespace kvt::cli
