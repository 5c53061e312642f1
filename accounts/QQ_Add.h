#pragma once
// The account commands of the main window as far as they talk to the user: the delete question,
// importing a list file and their notices; the editor is qq_add_dialog.h. The main window owns the
// list: it applies what the editor and the import decided (the sinks AccountSaves and ImportRows)
// to config.dat and to its rows.

#include <string>

#include "accounts/import_run.h"
#include "accounts/qq_add_dialog.h"
#include "win/main_window.h"

// "您还没有选择", for the commands that need exactly one selected row.
void NoticeNotSelected(MainWindow& main);
// "无法写入配置文件，账号没有删除", when the engine refused a delete: the account stays.
void NoticeDeleteFailed(MainWindow& main);
// "确定要继续吗": true when the user answered OK.
bool ConfirmDelete(MainWindow& main);
// MMlistI: the hint, the file choice, the import into config.dat and `rows`, and the report.
void ImportAccountList(MainWindow& main, ImportRows& rows);
