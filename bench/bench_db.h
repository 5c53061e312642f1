#pragma once
// What the account database benchmarks share: a scratch folder on the disk under test, a config.dat
// made from the template and filled with accounts, and one statement run the way the product runs
// it (open, execute, fetch, close).
//
// Files live in a fresh folder under $KESTRIN_BENCH_DIR (default: the system's temporary folder);
// durable commits cost what that disk's sync costs.

#include <filesystem>
#include <string>

namespace bench {

class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string File(const char* name) const { return (folder_ / name).string(); }

  private:
    std::filesystem::path folder_;
};

// The product's insert of account n (alias "account<n>", number 100000 + n).
std::string InsertStatement(int n);
// A template with `accounts` rows, written in one transaction (the set-up is not measured).
std::string MakeDatabase(const ScratchFolder& folder, int accounts);
// Runs one statement on a fresh connection as the product's store does: open, execute, fetch all
// rows, close (the change durable in the log; the file completed at the next checkpoint). Aborts on
// errors.
void RunStatement(const std::string& path, const std::string& statement);

}  // namespace bench
