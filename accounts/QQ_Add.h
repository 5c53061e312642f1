#pragma once
// The account commands of the main window: the account editor QQ_Add (add and edit mode), deleting
// the selected accounts and importing a list file.

#include "win/main_window.h"

// MMadd: QQ_Add in add mode.
void AddAccount(MainWindow& main);
// MMed and MenuR_Edit: QQ_Add in edit mode for the one selected row.
void EditSelectedAccount(MainWindow& main);
// MMdel and MenuR_Del.
void DeleteSelectedAccounts(MainWindow& main);
// MMlistI.
void ImportAccountList(MainWindow& main);
// Closes QQ_Add if it is open (an accepted update unloads every window).
void UnloadQQ_Add();
