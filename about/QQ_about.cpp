// QQ_about: not yet part of the program; its menu items do nothing.
#include "about/QQ_about.h"

void ShowQQ_about(MainWindow&) {}
void UnloadQQ_about() {}
