#pragma once
// A report-view list with check boxes and small icons, and the few calls an owner-data list
// (LVS_OWNERDATA) needs: there the program holds the rows, the list keeps only their count, the
// selection and the focus, and asks for texts, icons and ticks through LVN_GETDISPINFO. The reading
// helpers work on both kinds of list.
// Invariants:
//   1. Rows and columns count from 0 here; the product's own numbering (rows from 1) stays in the
//      callers.
//   2. Texts are read whole, whatever their length.
//   3. The tick is the list's check-box state image (2 ticked, 1 unticked); kNoImage is a row without
//      a small icon.

#include <windows.h>

#include <string>
#include <string_view>

constexpr int kNoImage = -1;  // a row without a small icon (I_IMAGENONE)

// Appends a column at the end; returns its index or -1.
int ListViewAddColumn(HWND list, std::wstring_view header, int widthPixels);
int ListViewColumnCount(HWND list);
int ListViewColumnWidth(HWND list, int column);
std::wstring ListViewColumnText(HWND list, int column);

int ListViewRowCount(HWND list);

std::wstring ListViewGetText(HWND list, int row, int subItem = 0);

int ListViewGetImage(HWND list, int row);

bool ListViewIsChecked(HWND list, int row);

bool ListViewIsSelected(HWND list, int row);
void ListViewSetSelected(HWND list, int row, bool selected);

// Selection in one message each, whatever the number of rows.
int ListViewSelectedCount(HWND list);
// The first selected row after `after` (-1: from the top), or -1.
int ListViewNextSelected(HWND list, int after = -1);
void ListViewSelectNone(HWND list);
int ListViewFocusedRow(HWND list);

// Owner-data lists: the row count (the scroll position stays) and the repaint of one row.
void ListViewSetVirtualCount(HWND list, int count);
void ListViewRedrawRow(HWND list, int row);
// The row under a point of the list's client area and whether the point is on its state image (the
// check box), or -1.
int ListViewRowAt(HWND list, POINT point, bool* onStateImage = nullptr);
