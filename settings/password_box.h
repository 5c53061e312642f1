#pragma once
// The password boxes of QQ_set (Text2) and QQ_login (Text1): masked with "*", at most
// kPasswordBoxChars characters, and never holding an apostrophe.
// Invariants:
//   1. After FilterPasswordBox the box holds no apostrophe and the caret is after its last character.
//   2. The filter changes the text only when it held an apostrophe, so its own change notification
//      finds nothing more to do.

#include <windows.h>

inline constexpr int kPasswordBoxChars = 30;

// Sets the mask character and the length limit of control `id` of `dlg`.
void SetUpPasswordBox(HWND dlg, int id);
// The box's EN_CHANGE handler: removes apostrophes (typed or pasted) and puts the caret at the end.
void FilterPasswordBox(HWND dlg, int id);
