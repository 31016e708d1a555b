#include "monitor_commands.h"

namespace kvt::cli {

void AddMonitorCommands(std::vector<CommandEntry>&) {}

}  // namespace kvt::cli
