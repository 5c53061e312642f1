// The main window's account commands as far as they talk to the user: the delete question and
// importing a list file. The list rows are the main window's: the editor and the
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

class BusyCursor {
  public:
    BusyCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~BusyCursor() { SetCursor(previous_); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    HCURSOR previous_;  // borrowed (a shared system cursor)
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

void NoticeNotSelected(MainWindow& main) {
    Notice(main, Text(IDS_QQ_ADD_NOT_SELECTED));
}

void NoticeDeleteFailed(MainWindow& main) {
    Notice(main, Text(IDS_DELETE_FAILED));
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
        // A file that cannot be opened ends the import like any other failure: nothing comes in.
        ListFile file(ToWide(*path));
        if (file.IsOpen()) count = ImportAccounts(main.Db(), file, *services.clock, rows).count;
    }
    main.RefreshCommands();
    Notice(main, ImportReport(count));
}
