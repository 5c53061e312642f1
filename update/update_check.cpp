// The end of an update check: not yet part of the program; the downloaded file stays unread.
#include "update/update_check.h"

void FinishUpdateCheck(MainWindow&) {}
