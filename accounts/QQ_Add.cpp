// The account commands: not yet part of the program; their menu items do nothing.
#include "accounts/QQ_Add.h"

void AddAccount(MainWindow&) {}
void EditSelectedAccount(MainWindow&) {}
void DeleteSelectedAccounts(MainWindow&) {}
void ImportAccountList(MainWindow&) {}
void UnloadQQ_Add() {}
