#pragma once
// QQ_about: the about window with the versions and the help page. Modal, owned by the main window.

#include "win/main_window.h"

// MMabout and MenuAbout.
void ShowQQ_about(MainWindow& main);
// Closes QQ_about if it is open (an accepted update unloads every window).
void UnloadQQ_about();
