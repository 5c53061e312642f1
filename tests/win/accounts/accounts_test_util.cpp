#include "tests/win/accounts/accounts_test_util.h"

#include "accounts/qq_add_dialog.h"
#include "store/sql_text.h"
#include "win/dialog.h"
#include "win/listview.h"
#include "win/strings.h"

namespace {

std::string TextOf(const jet::Variant& v) {
    if (v.IsText()) return v.Text();
    if (v.IsInteger()) return std::to_string(v.Integer());
    return {};
}

}  // namespace

QQ_AddData& EditorData() {
    static QQ_AddData data;  // outlives every editor: one is open at a time
    return data;
}

HWND OpenEditor(QQFormHarness& h, const std::string& editAlias, int editRow) {
    h.globals.EditAlias = editAlias;
    h.form->SetEditRow(editRow - 1);
    EditorData() = h.form->EditorData();
    HWND dialog = CreateQQ_AddForTest(static_cast<HWND>(h.form->Window()), &EditorData());
    PumpMessages();
    return dialog;
}

void Type(HWND dialog, int id, const std::wstring& text) {
    HWND edit = GetDlgItem(dialog, id);
    SetFocus(edit);
    for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 0);
    PumpMessages();
}

void ClickItem(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    PumpMessages();
}

std::wstring ItemText(HWND dialog, int id) {
    return GetItemText(dialog, id);
}

std::vector<std::wstring> ListRows(HWND list) {
    std::vector<std::wstring> rows;
    for (int row = 0; row < ListViewRowCount(list); ++row) rows.push_back(ListViewGetText(list, row));
    return rows;
}

std::vector<std::string> StoredNames(const std::string& dbPath) {
    std::vector<std::string> names;
    for (const auto& row : QueryConfigDat(dbPath, "select A_Name from zk_auto_qqlist")) names.push_back(TextOf(row[0]));
    return names;
}

std::vector<std::string> StoredAccount(const std::string& dbPath, const std::string& number) {
    auto rows = QueryConfigDat(
        dbPath, "select A_Name,A_activ,A_stat,A_last,A_pass from zk_auto_qqlist where A_QQ=" + SqlQuote(number));
    if (rows.empty()) return {};
    std::vector<std::string> values;
    for (const auto& value : rows[0]) values.push_back(TextOf(value));
    return values;
}

std::string Utf8(const std::wstring& text) {
    return ToUtf8(text);
}
