// QQ_login: not yet part of the program; a stored start-up password is not asked for.
#include "settings/qq_login.h"

bool ShowQQ_login(MainWindow&) {
    return true;
}
