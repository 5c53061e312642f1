#pragma once
// The login run: starts the QQ client for the ticked accounts, or for the one selected account,
// stamping each account's last login in the list and in config.dat first.

#include "win/main_window.h"

// The run itself is login/login_core.h; these reach the main window.
// cmd_login, MMopen and MenuR_OpenA: every ticked account, then exit or minimise.
void LoginTicked(MainWindow& main);
// MenuR_OpenO: the selected account only.
void LoginSelected(MainWindow& main);
