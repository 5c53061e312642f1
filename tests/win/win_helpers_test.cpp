// The win/ wrappers against the real Win32 objects they wrap.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "tests/win/test_folder.h"
#include "win/dialog.h"
#include "win/dpi.h"
#include "win/files.h"
#include "win/listview.h"
#include "win/registry.h"
#include "win/resources.h"
#include "win/unique_handle.h"
#include "resources/resource_ids.h"

namespace {

int closeCount = 0;
struct CountingTraits {
    using Handle = int;
    static Handle Invalid() { return 0; }
    static void Close(Handle) { ++closeCount; }
};

// A top-level window with an edit, a check box and a report list with check boxes, as children.
struct HostWindow {
    HostWindow() {
        parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                                 nullptr);
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, parent, reinterpret_cast<HMENU>(kEdit), nullptr,
                        nullptr);
        CreateWindowExW(0, L"BUTTON", L"box", WS_CHILD | BS_AUTOCHECKBOX, 0, 30, 100, 20, parent,
                        reinterpret_cast<HMENU>(kCheck), nullptr, nullptr);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 60, 300, 200, parent,
                               reinterpret_cast<HMENU>(kList), nullptr, nullptr);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    }
    ~HostWindow() { DestroyWindow(parent); }
    static constexpr int kEdit = 10, kCheck = 11, kList = 12;
    HWND parent = nullptr;
    HWND list = nullptr;
};

const std::wstring kTestKey = L"Software\\KestrinTests\\Registry";

}  // namespace

TEST(UniqueHandle, ClosesExactlyOnceThroughMovesAndReset) {
    closeCount = 0;
    {
        UniqueHandle<CountingTraits> first(7);
        UniqueHandle<CountingTraits> second(std::move(first));
        EXPECT_FALSE(first.Valid());
        EXPECT_EQ(second.Get(), 7);
        UniqueHandle<CountingTraits> third;
        third = std::move(second);
        EXPECT_EQ(closeCount, 0);
        third.Reset(9);
        EXPECT_EQ(closeCount, 1);
        EXPECT_EQ(third.Release(), 9);
    }
    EXPECT_EQ(closeCount, 1);  // the released handle is the caller's now
}

TEST(UniqueHandle, FileOwnerTreatsInvalidHandleValueAsEmpty) {
    UniqueFile missing(CreateFileW(L"Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing.Valid());
}

TEST(DialogItems, TextRoundTripsUnicodeAndLongTexts) {
    HostWindow host;
    std::wstring longText(3000, L'号');
    for (const std::wstring& text : {std::wstring(L"登陆后退出"), std::wstring(), longText}) {
        ASSERT_TRUE(SetItemText(host.parent, HostWindow::kEdit, text));
        EXPECT_EQ(GetItemText(host.parent, HostWindow::kEdit), text);
    }
    EXPECT_EQ(GetItemText(host.parent, 999), L"");
}

TEST(DialogItems, CheckAndEnableStatesReadBack) {
    HostWindow host;
    EXPECT_FALSE(IsItemChecked(host.parent, HostWindow::kCheck));
    SetItemChecked(host.parent, HostWindow::kCheck, true);
    EXPECT_TRUE(IsItemChecked(host.parent, HostWindow::kCheck));
    SetItemChecked(host.parent, HostWindow::kCheck, false);
    EXPECT_FALSE(IsItemChecked(host.parent, HostWindow::kCheck));
    EnableItem(host.parent, HostWindow::kCheck, false);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(host.parent, HostWindow::kCheck)));
    EnableItem(host.parent, HostWindow::kCheck, true);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(host.parent, HostWindow::kCheck)));
}

// The reading helpers over a list that stores its rows: texts of any length, icons, ticks, selection.
TEST(ListView, ColumnsAndRowsReadBackWhole) {
    HostWindow host;
    EXPECT_EQ(ListViewAddColumn(host.list, L"  QQ号码", 113), 0);
    EXPECT_EQ(ListViewAddColumn(host.list, L" 上次登录", 155), 1);
    EXPECT_EQ(ListViewColumnCount(host.list), 2);
    EXPECT_EQ(ListViewColumnText(host.list, 0), L"  QQ号码");
    EXPECT_EQ(ListViewColumnWidth(host.list, 1), 155);

    std::wstring longName(300, L'a');
    auto insert = [&](int row, const std::wstring& text, int image) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        item.iImage = image == kNoImage ? I_IMAGENONE : image;
        SendMessageW(host.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    };
    insert(0, L"小明", 1);
    insert(1, longName, kNoImage);
    ASSERT_EQ(ListViewRowCount(host.list), 2);
    EXPECT_EQ(ListViewGetText(host.list, 0), L"小明");
    EXPECT_EQ(ListViewGetText(host.list, 1), longName);
    EXPECT_EQ(ListViewGetText(host.list, 0, 1), L"");
    EXPECT_EQ(ListViewGetImage(host.list, 0), 1);
    EXPECT_EQ(ListViewGetImage(host.list, 1), kNoImage);
    EXPECT_FALSE(ListViewIsChecked(host.list, 0));
    ListViewSetSelected(host.list, 1, true);
    EXPECT_TRUE(ListViewIsSelected(host.list, 1));
    EXPECT_EQ(ListViewNextSelected(host.list), 1);
    ListViewSelectNone(host.list);
    EXPECT_EQ(ListViewSelectedCount(host.list), 0);
}

TEST(Registry, StringValuesAreWrittenReadAndDeleted) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey.c_str());
    EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kTestKey, L"Kestrin"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestKey, L"Kestrin", L"C:\\Program Files\\K\\Kestrin.exe").ok());
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kTestKey, L"Kestrin"), L"C:\\Program Files\\K\\Kestrin.exe");
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestKey, L"Kestrin", L"").ok());
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kTestKey, L"Kestrin"), L"");
    EXPECT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, kTestKey, L"Kestrin").ok());
    EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kTestKey, L"Kestrin"));
    Status again = RegDeleteValue(HKEY_CURRENT_USER, kTestKey, L"Kestrin");
    EXPECT_EQ(again.code(), ErrorCode::NotFound);
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey.c_str());
}

TEST(Registry, ValueOfAnotherTypeReadsAsMissing) {
    UniqueHKey key;
    HKEY raw = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
        ERROR_SUCCESS);
    key.Reset(raw);
    DWORD number = 1;
    RegSetValueExW(key.Get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kTestKey, L"Number"));
    key.Reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey.c_str());
}

TEST(Resources, StringTableTextsComeBackExactly) {
    EXPECT_EQ(LoadResString(IDS_ALREADY_RUNNING), L"已经在运行中");
    EXPECT_EQ(LoadResString(IDS_COLUMN_QQ), L"  QQ号码");
    EXPECT_EQ(LoadResString(IDS_COLUMN_LAST_LOGIN), L" 上次登录");
    EXPECT_EQ(LoadResString(IDS_IMPORT_FILTER), L"TXT files(*.txt)|*.txt|All files(*.*)|*.*");
    EXPECT_EQ(LoadResString(59999), L"");
    EXPECT_FALSE(LoadResBytes(L"DATE", 59999));
}

TEST(Dpi, TwipsBecomePixelsAtTheWindowsDpi) {
    static_assert(TwipsToPixels(1440, 96) == 96);
    struct Case {
        int twips, dpi, pixels;
    } cases[] = {{1700, 96, 113}, {2320, 96, 155}, {1700, 144, 170}, {2320, 144, 232}, {1700, 192, 227}, {0, 96, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.twips) + " twips at " + std::to_string(c.dpi));
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels);
    }
    HostWindow host;
    EXPECT_GE(WindowDpi(host.parent), 72);
}

TEST(Files, PathsOfTheProgramAndWholeFileWrites) {
    std::wstring program = ProgramPath();
    EXPECT_EQ(BaseNameOf(program), L"kestrin_win_tests");
    EXPECT_TRUE(FileExists(program));
    EXPECT_EQ(BaseNameOf(L"C:\\a.b\\My.Kestrin.exe"), L"My.Kestrin");

    TestFolder folder;
    std::wstring path = folder.File(L"数据.bin");
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(folder.Path()));  // a folder is not a file
    std::string bytes("a\0b\r\n", 5);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    EXPECT_EQ(ReadFileBytes(path), bytes);
    ASSERT_TRUE(WriteFileBytes(path, "x"));  // replaces, never appends
    EXPECT_EQ(ReadFileBytes(path), "x");
}
