// The login run: not yet part of the program; the login commands do nothing.
#include "login/login_run.h"

void LoginTicked(MainWindow&) {}
void LoginSelected(MainWindow&) {}
