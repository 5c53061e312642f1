#include "tests/win/test_folder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "jet/format/table_def.h"
#include "jet/sql/connection.h"
#include "jet/tables/tables_internal.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "win/files.h"
#include "win/strings.h"
#include "win/unique_handle.h"

TestFolder::TestFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + L"kestrin-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TestFolder::~TestFolder() {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            SetFileAttributesW(File(name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(File(name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

std::string TestFolder::PathUtf8() const {
    return ToUtf8(path_);
}

bool MakeConfigDat(const std::string& dbPath, const std::vector<std::string>& statements) {
    Status written = WriteTemplateDatabase(jet::NativeFileSystem(), dbPath);
    EXPECT_TRUE(written.ok()) << written.ToString();
    if (!written.ok()) return false;
    jet::Connection conn;
    Status opened = conn.Open(ConnectionStringFor(dbPath));
    EXPECT_TRUE(opened.ok()) << opened.ToString();
    if (!opened.ok()) return false;
    for (const std::string& statement : statements) {
        auto result = conn.Execute(statement);
        EXPECT_TRUE(result.ok()) << statement << ": " << result.status().ToString();
        if (!result.ok()) return false;
    }
    conn.Close();
    return true;
}

std::vector<std::vector<jet::Variant>> QueryConfigDat(const std::string& dbPath, const std::string& statement) {
    std::vector<std::vector<jet::Variant>> rows;
    jet::Connection conn;
    Status opened = conn.Open(ConnectionStringFor(dbPath));
    EXPECT_TRUE(opened.ok()) << opened.ToString();
    if (!opened.ok()) return rows;
    auto result = conn.Execute(statement);
    EXPECT_TRUE(result.ok()) << statement << ": " << result.status().ToString();
    if (!result.ok() || result->Eof()) return rows;
    auto all = result->GetRows(-1);
    if (!all.ok()) return rows;
    for (size_t r = 0; r < all->RowCount(); ++r) {
        std::vector<jet::Variant> row;
        for (size_t c = 0; c < all->ColumnCount(); ++c) row.push_back(all->At(c, r));
        rows.push_back(std::move(row));
    }
    return rows;
}

bool RelabelTable(const std::string& dbPath, const std::string& table, uint16_t sortOrder) {
    uint32_t page = 0;
    {
        auto db = jet::Database::Open(jet::NativeFileSystem(), dbPath, kDbPassword, jet::OpenMode::ReadOnly);
        if (!db.ok()) return false;
        auto found = (*db)->GetTable(table);
        if (!found.ok()) return false;
        page = jet::ToIndex(static_cast<jet::TableImpl*>(*found)->TdefPage());
    }
    std::string file = ReadFileBytes(ToWide(dbPath));
    if (file.size() < (page + 1) * jet::kPageSize) return false;
    char* tdef = file.data() + page * jet::kPageSize;
    auto def = jet::ParseTableDef(std::vector<uint8_t>(tdef, tdef + jet::kPageSize));
    if (!def.ok()) return false;
    jet::LabelSortOrder(*def, sortOrder);
    auto images = jet::LayOutTableDef(jet::SerializeTableDef(*def), {jet::PageNo(page)});
    if (images.size() != 1) return false;
    std::memcpy(tdef, images[0].data(), jet::kPageSize);
    return WriteFileBytes(ToWide(dbPath), file);
}

std::string ReadFileBytes(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr));
    if (!file) return {};
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    return WriteWholeFile(path,
                          std::span<const std::byte>(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()));
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;  // a destroyed main window asks the loop to end
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
