#pragma once
// The unattended backup that the logon entry starts with "vaultkeep auto".

#include "ui/ui_port.hpp"

namespace vaultkeep {

// Makes one backup with the stored settings, online copy included, and writes
// its outcome to the log. It never waits for a person: `ui` must answer every
// prompt at once (Abort, Cancel, No). Returns whether the run asked the program
// to quit, which it does on every path but one: loading the settings failed and
// even the log entry about it could not be written.
bool autoBackup(UiPort& ui);

}  // namespace vaultkeep
