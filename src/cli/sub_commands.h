// SPDX-License-Identifier: MIT
#pragma once
// What the command binders share: how an operation's outcome ends a command, and the
// checks on the operands of a command with sub-commands ("rf status", "sle4442 read-main").
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

#include "cli_options.h"
#include "commands.h"
#include "core/machine/operation.h"

namespace kvt::cli {

// The outcome's results first, then its message, as the windows apply them; the exit status.
int Finish(Context& c, const Outcome& o, const std::function<void()>& printResults = {});

// Each byte as the two hex digits a grid cell shows.
QStringList CellTexts(const QByteArray& data);

// The operands of "COMMAND SUB [operands]". Every check sets *error and gives false on a
// mistake; the binders add the checks of their own operand kinds.
struct SubOperands {
  SubOperands(const CliOptions& options, QString* err) : o(options), error(err) {}
  const CliOptions& o;
  QString* error;

  QString sub() const { return o.operands.value(0); }
  // Between min and max operands after the sub-command.
  bool count(int min, int max) const;
  // The sub-command is none of subs (the list for the message).
  bool unknown(const char* subs) const;
  // Every text an APDU of hex digit pairs, as the APDU boxes take them.
  bool apdus(const QStringList& texts) const;
};

// One "Send APDU" press per APDU, in order, until one does not succeed; the last status.
int SendEach(const QStringList& apdus, const std::function<int(const QString&)>& send);

}  // namespace kvt::cli
