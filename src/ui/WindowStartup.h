#pragma once

#include "control/ControlMessage.h"

#include <QString>

#include <functional>
#include <memory>

class TessaryStore;
class UiDialogs;

// `tessary` without a command. Needs a QApplication.
namespace WindowStartup {

// How long the window waits for the folder: a moment for a command that holds
// it, longer for a monitor that saves before it lets go.
inline constexpr int lock_wait_ms = 1000;
inline constexpr int hand_over_wait_ms = 30'000;

struct Opened {
    std::unique_ptr<TessaryStore> store;
    int exit_code = 0;
    // A monitor stepped aside for this window and takes the folder back when
    // it quits.
    bool monitor_takes_over = false;
};

// Before the window: asks whoever holds the data folder. An open window comes
// forward (unless `hidden`), and there is nothing left to do: no store, exit
// code 0. A monitor steps aside. Then opens the store, trying the lock again
// for a while; when the folder stays held, `dialogs` shows why (exit code 1).
// Blocks without the event loop, so a signal's default action still ends it.
Opened open(const QString& data_directory, bool hidden, UiDialogs& dialogs);

// What the window answers for the editing commands of other processes (the
// command line's code, which the window does not link).
using CommandRunner = std::function<ControlAnswer(const ControlRequest&, TessaryStore&)>;

// Runs the window on the opened store until it quits, serving the other
// Tessary processes meanwhile; in the tray from the start when `hidden` and a
// tray exists. Stops listening and saves before it lets go of the folder.
// Returns the exit code.
int run(Opened opened, bool hidden, UiDialogs& dialogs, const CommandRunner& commands);

// The save before the window lets go of the folder. At a clean stop the history
// file is left complete; a monitor that takes the folder back reads the
// journal instead, so the hand-back waits only for an append.
void save_before_letting_go(TessaryStore& store, bool monitor_takes_over);

} // namespace WindowStartup
