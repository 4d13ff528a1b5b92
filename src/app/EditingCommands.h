#pragma once

#include "Command.h"

// The commands that change the data folder. They take its lock, or run in the
// running Tessary that holds it, go through the store's own operations, print the
// store's message when it refuses (exit 1), and ask before destroying anything
// (--yes answers for them when standard input is no terminal).
int run_add_command(CommandContext& context);
int run_edit_command(CommandContext& context);
int run_pin_command(CommandContext& context);
int run_archive_command(CommandContext& context);
int run_remove_command(CommandContext& context);
int run_clear_command(CommandContext& context);
int run_suggestions_command(CommandContext& context);

// Asks the user at the terminal; without one, says how to confirm and returns false.
bool confirm_at_terminal(CommandContext& context, const QString& question);
