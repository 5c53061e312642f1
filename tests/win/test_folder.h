#pragma once
// Real files for the Windows tests: a private temporary folder (deleted with its files at the end)
// and config.dat made by the engine from the product's template, with rows added by statements.

#include <windows.h>

#include <string>
#include <vector>

#include "jet/sql/variant.h"

class TestFolder {
  public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::string PathUtf8() const;
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

// Writes the empty template to `dbPath` and runs `statements` on it; false (with a test failure
// recorded) when any step fails.
bool MakeConfigDat(const std::string& dbPath, const std::vector<std::string>& statements = {});
// Runs one query on `dbPath` and returns all its rows, values in select-list order.
std::vector<std::vector<jet::Variant>> QueryConfigDat(const std::string& dbPath, const std::string& statement);

// Labels every column of `table` in the closed file `dbPath` with `sortOrder`, as if Access on a
// Chinese system had written the table with the rows it holds; false when a step fails.
bool RelabelTable(const std::string& dbPath, const std::string& table, uint16_t sortOrder);

std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Runs the thread's queued messages (a window's posted work) until none is left.
void PumpMessages();
