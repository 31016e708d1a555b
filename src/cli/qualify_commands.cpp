#include "qualify_commands.h"

namespace kvt::cli {

void AddQualifyCommands(std::vector<CommandEntry>&) {}

}  // namespace kvt::cli
