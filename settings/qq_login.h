#pragma once
// QQ_login: the start-up password dialog, shown modally over the loading main window before it is
// ever shown, when a start-up password is stored.
// Invariants:
//   1. The first five presses of "登录" are evaluated; the sixth locks the dialog (box and button
//      disabled) without comparing, and only "退出" is left.
//   2. An entry counts only when it equals S_pass exactly (letter case counts); an empty entry or one
//      with a blank at either end uses up a try and is never compared.
//   3. "退出", Esc and Alt+F4 end the program; a right password closes the dialog accepted and does
//      nothing else. config.dat that cannot be read ends the program with the damaged-file message.

#include <windows.h>

class AccountDb;
struct Services;

struct QQ_loginData {
    AccountDb* db = nullptr;       // in, borrowed: where the stored password is read
    Services* services = nullptr;  // in, borrowed: message boxes and the program's end
    bool accepted = false;         // out: the right password was entered
};

// Asks for the start-up password over `owner`. True when the right one was entered; false when the
// program ended instead ("退出").
bool Dialog_QQ_login(HWND owner, QQ_loginData* inOut);
