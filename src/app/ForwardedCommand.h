#pragma once

#include "Command.h"
#include "control/ControlMessage.h"

#include <optional>

class TessaryStore;

// Editing commands while another Tessary holds the data folder: that process
// runs the very same command code against its own store, so validation, texts
// and exit codes are the same as when the command runs alone.
namespace ForwardedCommand {

// In the holder: runs the editing command `request` names against `store` and
// answers with what it printed and its exit code, or with the question it
// needs confirmed first (having changed nothing).
ControlAnswer run(const ControlRequest& request, TessaryStore& store, HolderRole role);

// In the other process: hands `command` with the context's arguments to the
// holder and prints its answer, asking the user at the terminal (and sending
// the command again with --yes) when it needs a confirmation. None when no
// holder answered: then the command runs here, and is refused if the folder is
// still held.
std::optional<int> hand_to_holder(CommandContext& context, const Command& command);

} // namespace ForwardedCommand
