#pragma once
// The end of an update check: reading the version file, telling the user, and on acceptance
// writing and starting the updater and ending the program.

#include "win/main_window.h"

// Runs when a check ends (the download completed or Timer1 ran out), after the download was
// stopped and the timer turned off.
void FinishUpdateCheck(MainWindow& main);
