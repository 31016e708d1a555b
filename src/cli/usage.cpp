// SPDX-License-Identifier: MIT
#include "usage.h"

#include <CLI/CLI.hpp>
#include <cstring>
#include <sstream>

#include "cli_options.h"

namespace kvt::cli {

namespace {

constexpr std::size_t kOptionColumn = 23;
constexpr std::size_t kCommandColumn = 40;

const char* const kDescription = "Drives a KVT-730 card reader on a serial port: one operation per run.";

const char* const kClosing =
    "Whole cards (dump: card to file, restore: file to card; one summary line per sector):\n"
    "  mifare access HEX6                      decode trailer bytes 6-8 (e.g. FF0780); needs no reader\n"
    "  mifare dump OUT [--keys F] [--size S]   OUT ends in .mfd, .mct or .eml\n"
    "  mifare restore IN [--keys F] [--trailers] [--force]\n"
    "                                          data blocks back (never block 0 of sector 0)\n"
    "  ultralight dump OUT | restore IN        OUT, IN end in .bin (64 bytes) or .eml (16 lines of\n"
    "                                          8 hex digits); restore writes pages 4 to 15\n"
    "  sle4442 dump OUT | restore IN [PSC] [--force]\n"
    "                                          256 bytes (PSC: three bytes, default FFFFFF); the\n"
    "                                          card's last code try only with --force\n"
    "  sle4428 dump OUT | restore IN [PSC]     1024 bytes (PSC: two bytes, default FFFF)\n"
    "  24cxx dump OUT | restore IN --size S    S: 24C01 .. 24C512\n"
    "Whole-card runs end 0 when every block went through, 1 when some did not (refused by the\n"
    "card, or not in the file). .mfd, .eml and .bin dumps list the bytes not read in OUT.unread.\n"
    "\n"
    "Exit status: 0 done, 1 negative reply (or a reply of no known kind), 2 exchange failure,\n"
    "3 bad input, 4 port error, 5 smart-card service error (pcsc), 130 stopped by Ctrl-C or SIGTERM.\n"
    "With --ports: 130 when the run was stopped, else the highest status of the ports.\n";

// "name operands": the command as its help line shows it.
std::string Synopsis(const CLI::App* command) {
  const auto operands = command->get_options([](const CLI::Option* o) { return o->get_positional(); });
  const std::string text = operands.empty() ? std::string() : operands.front()->get_option_text();
  return text.empty() ? command->get_name() : command->get_name() + " " + text;
}

bool TakesOption(const std::string& command, const CommandOption& option) {
  for (const char* taker : option.takers)
    if (command == std::string(taker).substr(0, std::strcspn(taker, " "))) return true;
  return false;
}

// The text broken at spaces into lines of at most kWidth characters.
std::string Wrapped(const std::string& text) {
  constexpr std::size_t kWidth = 79;
  std::istringstream words(text);
  std::string out, line, word;
  while (words >> word) {
    if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
      out += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + line + "\n";
}

// The lines of the closing text about one command: those starting with its name, each with
// the deeper indented lines that follow it.
std::string ClosingLinesOf(const std::string& command) {
  std::istringstream lines(kClosing);
  std::string out, line;
  bool taking = false;
  while (std::getline(lines, line)) {
    if (line.rfind("   ", 0) != 0) taking = line.rfind("  " + command + " ", 0) == 0;
    if (taking) out += line + "\n";
  }
  return out;
}

class UsageFormatter : public CLI::Formatter {
 public:
  UsageFormatter() { column_width(kOptionColumn); }

  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
    if (app->get_parent()) return commandHelp(app);
    // CLI11 puts an empty line of its own between the groups.
    const std::string groups = CLI::detail::find_and_replace(make_groups(app, mode), "\n\n\n", "\n\n");
    std::string out = "Usage: kvt730ctl [options] COMMAND [operands]\n" + app->get_description() + "\n" + groups +
                      "\nCommands:\n";
    for (const CLI::App* command : app->get_subcommands({})) out += make_subcommand(command);
    return out + "\n" + app->get_footer();
  }

  std::string make_subcommand(const CLI::App* command) const override {
    std::stringstream out;
    CLI::detail::format_help(out, Synopsis(command), command->get_description(), kCommandColumn);
    return out.str();
  }

  // A description line "FORM\tTEXT" shows another form of the option on a line of its own.
  std::string make_option(const CLI::Option* opt, bool positional) const override {
    std::stringstream out;
    std::string head = make_option_name(opt, positional) + make_option_opts(opt);
    if (head.rfind(kMonitorLogOption, 0) == 0) head.replace(0, std::strlen(kMonitorLogOption), "--log");
    std::string text = make_option_desc(opt);
    for (std::size_t tab; (tab = text.find('\t')) != std::string::npos;) {
      const std::size_t start = text.rfind('\n', tab);
      CLI::detail::format_help(out, head, text.substr(0, start), column_width_);
      head = text.substr(start + 1, tab - start - 1);
      text = text.substr(tab + 1);
    }
    CLI::detail::format_help(out, head, text, column_width_);
    return out.str();
  }

 private:
  // The command's operands and summary, the whole-card forms it has, and the options only
  // it and a few others take.
  std::string commandHelp(const CLI::App* command) const {
    const std::string name = command->get_name();
    std::string out = "Usage: kvt730ctl [options] " + Synopsis(command) + "\n" + Wrapped(command->get_description());
    const std::string forms = ClosingLinesOf(name);
    if (!forms.empty()) out += "\nWhole cards:\n" + forms;
    std::string own;
    for (const CommandOption& option : CommandOptions())
      if (TakesOption(name, option)) own += make_option(command->get_parent()->get_option(option.name), false);
    if (!own.empty()) out += "\nOptions of " + name + ":\n" + own;
    return out + "\nThe options of every command: kvt730ctl --help\n";
  }
};

}  // namespace

void DescribeUsage(CLI::App& app) {
  app.description(kDescription);
  app.footer(kClosing);
  app.formatter(std::make_shared<UsageFormatter>());
}

}  // namespace kvt::cli
