// QQ_set: not yet part of the program; the menu item does nothing.
#include "settings/qq_set.h"

void ShowQQ_set(MainWindow&) {}
void RestoreQQ_setCheckButton() {}
void UnloadQQ_set() {}
