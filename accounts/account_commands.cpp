// The main window's account commands as far as they talk to the user: opening the editor, the
// delete question and importing a list file. The list rows are the main window's: the editor and the
// import hand theirs to the sinks they are given.
#include "accounts/QQ_Add.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "accounts/account_logic.h"
#include "accounts/account_store.h"
#include "accounts/import_run.h"
#include "accounts/qq_add_dialog.h"
#include "resources/resource_ids.h"
#include "win/globals.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

std::string Text(UINT id) {
    return ToUtf8(LoadResString(id));
}

int Notice(MainWindow& main, const std::string& text, unsigned style = kMbOk) {
    return main.AppServices().messages->Show(main.Window(), text, Text(IDS_NOTICE_TITLE), style);
}

class BusyCursor {
  public:
    BusyCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~BusyCursor() { SetCursor(previous_); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    HCURSOR previous_;  // borrowed (a shared system cursor)
};

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1LL << 30);
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

std::string ImportReport(int count) {
    if (count < 1) return Text(IDS_IMPORT_NONE);
    return Text(IDS_IMPORT_DONE_BEFORE) + std::to_string(count) + Text(IDS_IMPORT_DONE_AFTER);
}

}  // namespace

void AddAccount(MainWindow& main, AccountSaves& saves) {
    main.Globals().EditAlias.clear();
    ShowQQ_AddModal(main, saves);
}

void EditAccount(MainWindow& main, const std::string& alias, int row, AccountSaves& saves) {
    main.Globals().EditAlias = alias;
    // A 16-bit row number cannot name every row of a long list; the saves keep the real one.
    main.Globals().EditRow = static_cast<int16_t>(std::min(row + 1, static_cast<int>(INT16_MAX)));
    ShowQQ_AddModal(main, saves);
}

void NoticeNotSelected(MainWindow& main) {
    Notice(main, Text(IDS_QQ_ADD_NOT_SELECTED));
}

bool ConfirmDelete(MainWindow& main) {
    return main.AppServices().messages->Show(main.Window(), Text(IDS_DELETE_QUESTION), Text(IDS_DELETE_TITLE),
                                             kMbOkCancel | kMbIconQuestion) == kIdOk;
}

void ImportAccountList(MainWindow& main, ImportRows& rows) {
    Services& services = main.AppServices();
    Notice(main, Text(IDS_IMPORT_HINT_LINE1) + "\r" + Text(IDS_IMPORT_HINT_LINE2) + "\r" + Text(IDS_IMPORT_HINT_LINE3),
           kMbOk | kMbIconExclamation);
    auto path = services.fileDialogs->OpenFile(main.Window(), Text(IDS_IMPORT_DIALOG_TITLE), Text(IDS_IMPORT_FILTER));
    if (!path || ToWide(*path).size() < 8) return;
    int count = 0;
    {
        BusyCursor busy;
        // A file that cannot be read ends the import like any other failure: nothing comes in.
        if (auto bytes = ReadWholeFile(ToWide(*path))) {
            count = ImportAccounts(main.Db(), DecodeImportFile(*bytes), *services.clock, rows).count;
        }
    }
    main.RefreshCommands();
    Notice(main, ImportReport(count));
}
