#include "tools/kestrin_db.h"

#include "login/pwd_hash.h"

namespace {

constexpr int kUsageError = 2;

int Usage(std::ostream& err) {
    err << "usage: kestrin-db hash TEXT...\n";
    return kUsageError;
}

// One line per TEXT, so a test can hash thousands of passwords in one call.
int Hash(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) return Usage(err);
    for (size_t i = 1; i < args.size(); ++i) out << PwdHash(args[i]) << "\n";
    return 0;
}

}  // namespace

int RunKestrinDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err);
    const std::string& command = args[0];
    if (command == "hash") return Hash(args, out, err);
    err << "kestrin-db: unknown command '" << command << "'\n";
    return Usage(err);
}
