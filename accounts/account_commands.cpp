// The main window's account commands: opening the editor, deleting the selected account and
// importing a list file. The decisions and statements live in the portable files.
#include "accounts/QQ_Add.h"

#include <windows.h>

#include <algorithm>

#include "accounts/account_logic.h"
#include "accounts/account_store.h"
#include "accounts/import_run.h"
#include "accounts/qq_add_dialog.h"
#include "resources/resource_ids.h"
#include "win/globals.h"
#include "win/listview.h"
#include "win/resources.h"
#include "win/strings.h"
#include "win/unique_handle.h"

namespace {

std::string Text(UINT id) {
    return ToUtf8(LoadResString(id));
}

int Notice(MainWindow& main, const std::string& text, unsigned style = kMbOk) {
    return main.AppServices().messages->Show(main.Window(), text, Text(IDS_NOTICE_TITLE), style);
}

HWND List(MainWindow& main) {
    return static_cast<HWND>(main.ListView1());
}

int FirstSelectedRow(HWND list) {
    for (int row = 0; row < ListViewRowCount(list); ++row) {
        if (ListViewIsSelected(list, row)) return row;
    }
    return -1;
}

// The engine finds an alias without regard to case, so the rows it deleted are found so too.
bool SameAlias(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// A file written elsewhere may give two accounts one alias; the delete statement takes them all, so
// their rows leave the list with the selected one and the list keeps showing only stored accounts.
void RemoveRowsNamed(HWND list, const std::wstring& alias) {
    for (int row = ListViewRowCount(list) - 1; row >= 0; --row) {
        if (SameAlias(ListViewGetText(list, row), alias)) ListViewDeleteRow(list, row);
    }
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

// The list draws nothing while an import fills it: drawing (and Wine's list even more) after each of
// thousands of rows costs more than storing them.
class RedrawPause {
  public:
    explicit RedrawPause(HWND window) : window_(window) { SendMessageW(window_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

  private:
    HWND window_;  // borrowed
};

class ListImportRows : public ImportRows {
  public:
    explicit ListImportRows(HWND list) : list_(list) {}
    void Append(const std::string& number, const std::string& now) override {
        int row = ListViewAppendRow(list_, ToWide(number), kImageInvisible);
        ListViewSetText(list_, row, 1, ToWide(now));
        ListViewSetSelected(list_, row, false);
        ListViewSetChecked(list_, row, true);
    }
    void RemoveLast() override { ListViewDeleteRow(list_, ListViewRowCount(list_) - 1); }

  private:
    HWND list_;  // borrowed
};

// The list file, read a piece at a time. Others may only read it while it is open, so it cannot
// change between the reading that tells its encoding and the one that takes its lines.
class ListFile : public ImportSource {
  public:
    explicit ListFile(const std::wstring& path)
        : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    bool IsOpen() const { return file_.Valid(); }
    Result<size_t> Read(char* into, size_t size) override {
        DWORD got = 0;
        if (!ReadFile(file_.Get(), into, static_cast<DWORD>(std::min<size_t>(size, 1 << 20)), &got, nullptr)) {
            return Status(ErrorCode::Io, "the list file cannot be read");
        }
        return size_t{got};
    }
    Status Rewind() override {
        LARGE_INTEGER start{};
        if (SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN)) return Status::Ok();
        return Status(ErrorCode::Io, "the list file cannot be read again");
    }

  private:
    UniqueFile file_;
};

std::string ImportReport(int count) {
    if (count < 1) return Text(IDS_IMPORT_NONE);
    return Text(IDS_IMPORT_DONE_BEFORE) + std::to_string(count) + Text(IDS_IMPORT_DONE_AFTER);
}

}  // namespace

void AddAccount(MainWindow& main) {
    main.Globals().EditAlias.clear();
    ShowQQ_AddModal(main);
}

void EditSelectedAccount(MainWindow& main) {
    if (!main.SingleSelected()) {
        Notice(main, Text(IDS_QQ_ADD_NOT_SELECTED));
        return;
    }
    HWND list = List(main);
    int row = FirstSelectedRow(list);
    main.Globals().EditAlias = ToUtf8(ListViewGetText(list, row));
    main.Globals().EditRow = static_cast<int16_t>(row + 1);
    ShowQQ_AddModal(main);
}

void DeleteSelectedAccounts(MainWindow& main) {
    if (!main.SingleSelected()) {
        Notice(main, Text(IDS_QQ_ADD_NOT_SELECTED));
        return;
    }
    int answer = main.AppServices().messages->Show(main.Window(), Text(IDS_DELETE_QUESTION), Text(IDS_DELETE_TITLE),
                                                   kMbOkCancel | kMbIconQuestion);
    if (answer != kIdOk) return;
    HWND list = List(main);
    // From the last row down, so the rows not yet visited keep their indexes.
    for (int row = ListViewRowCount(list) - 1; row >= 0; --row) {
        if (!ListViewIsSelected(list, row)) continue;
        std::wstring alias = ListViewGetText(list, row);
        Status deleted = RunChange(main.Db(), DeleteAccountStatement(ToUtf8(alias)));
        // A delete the engine refused leaves the account stored: its row stays, and the user hears why.
        if (!deleted.ok()) {
            Notice(main, Text(IDS_DELETE_FAILED));
            continue;
        }
        RemoveRowsNamed(list, alias);
        row = std::min(row, ListViewRowCount(list));
    }
    main.RefreshCommands();
}

void ImportAccountList(MainWindow& main) {
    Services& services = main.AppServices();
    Notice(main, Text(IDS_IMPORT_HINT_LINE1) + "\r" + Text(IDS_IMPORT_HINT_LINE2) + "\r" + Text(IDS_IMPORT_HINT_LINE3),
           kMbOk | kMbIconExclamation);
    auto path = services.fileDialogs->OpenFile(main.Window(), Text(IDS_IMPORT_DIALOG_TITLE), Text(IDS_IMPORT_FILTER));
    if (!path || ToWide(*path).size() < 8) return;
    int count = 0;
    {
        BusyCursor busy;
        // A file that cannot be opened ends the import like any other failure: nothing comes in.
        ListFile file(ToWide(*path));
        if (file.IsOpen()) {
            RedrawPause paused(List(main));
            ListImportRows rows(List(main));
            count = ImportAccounts(main.Db(), file, *services.clock, rows).count;
        }
    }
    main.RefreshCommands();
    Notice(main, ImportReport(count));
}
