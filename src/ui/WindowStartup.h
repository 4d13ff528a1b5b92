#pragma once

#include <QString>

class UiDialogs;

// `tessary` without a command: brings an open window of the data folder forward,
// or opens the store and the window. Needs a QApplication.
namespace WindowStartup {

// The name this process gives the data folder's lock, shown to a command that
// finds the folder in use.
QString lock_holder();

// Runs the window until it quits; returns the exit code. When another process
// holds the data folder, `dialogs` shows its message and nothing is written.
int run(const QString& data_directory, UiDialogs& dialogs);

} // namespace WindowStartup
