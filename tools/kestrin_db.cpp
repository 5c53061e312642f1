#include "tools/kestrin_db.h"

#include <fstream>
#include <optional>

#include "jet/pages/file_io.h"
#include "jet/sql/connection.h"
#include "jet/sql/convert.h"
#include "jet/tables/database.h"
#include "login/pwd_hash.h"
#include "store/schema.h"
#include "tools/signing_commands.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr int kCannotOpen = 2;

int Usage(std::ostream& err) {
    err << "usage: kestrin-db hash TEXT...\n"
           "       kestrin-db template OUT [--sort-order LCID]\n"
           "       kestrin-db check FILE [--password P]\n"
           "       kestrin-db exec FILE STATEMENT [--password P]\n"
           "       kestrin-db keygen PRIVATE PUBLIC\n"
           "       kestrin-db sign PRIVATE FILE\n"
           "       kestrin-db verify PUBLIC FILE\n"
           "       kestrin-db batch FILE STATEMENTS_FILE [--password P]\n";
    return kUsageError;
}

// The positional arguments after the command, and --password's value (the product's by default).
struct Arguments {
    std::vector<std::string> positional;
    std::string password = kDbPassword;
    uint16_t sortOrder = 1033;
};

std::optional<Arguments> ParseArguments(const std::vector<std::string>& args) {
    Arguments parsed;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--password") {
            if (++i == args.size()) return std::nullopt;
            parsed.password = args[i];
        } else if (args[i] == "--sort-order") {
            if (++i == args.size()) return std::nullopt;
            auto number = jet::TextToInteger(args[i]);
            if (!number || *number <= 0 || *number > 0xFFFF) return std::nullopt;
            parsed.sortOrder = uint16_t(*number);
        } else {
            parsed.positional.push_back(args[i]);
        }
    }
    return parsed;
}

// One line per TEXT, so a test can hash thousands of passwords in one call.
int Hash(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) return Usage(err);
    for (size_t i = 1; i < args.size(); ++i) out << PwdHash(args[i]) << "\n";
    return 0;
}

int Template(const Arguments& args, std::ostream& err) {
    if (args.positional.size() != 1) return Usage(err);
    Status written = WriteTemplateDatabase(jet::NativeFileSystem(), args.positional[0], args.sortOrder);
    if (!written) {
        err << "kestrin-db: " << written.ToString() << "\n";
        return kFailed;
    }
    return 0;
}

int Check(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.positional.size() != 1) return Usage(err);
    const std::string& path = args.positional[0];
    auto db = jet::Database::Open(jet::NativeFileSystem(), path, args.password, jet::OpenMode::ReadOnly);
    if (!db) {
        out << path << ": " << db.status().ToString() << "\n";
        return kFailed;
    }
    std::vector<std::string> problems, notes;
    Status checked = (*db)->Check(problems, notes);
    if (!checked) problems.push_back(checked.ToString());
    for (const std::string& note : notes) out << path << ": note: " << note << "\n";
    for (const std::string& problem : problems) out << path << ": " << problem << "\n";
    if (!problems.empty()) return kFailed;
    out << "ok\n";
    return 0;
}

std::string FieldText(const jet::Variant& value) {
    if (value.IsNull()) return "\\N";
    if (value.IsInteger()) return std::to_string(value.Integer());
    // One line a row whatever a memo holds: tabs and line breaks are written as \t, \n, \r.
    std::string text;
    text.reserve(value.Text().size());
    for (char c : value.Text()) {
        if (c == '\t' || c == '\n' || c == '\r')
            text += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
        else
            text.push_back(c);
    }
    return text;
}

void PrintRows(jet::Recordset& rows, std::ostream& out) {
    for (size_t column = 0; column < rows.FieldCount(); ++column) {
        auto field = rows.Fields(column);
        out << (column ? "\t" : "") << (field ? field->name : "");
    }
    out << "\n";
    if (rows.Eof()) return;
    auto all = rows.GetRows(-1);
    if (!all) return;
    for (size_t row = 0; row < all->RowCount(); ++row) {
        for (size_t column = 0; column < all->ColumnCount(); ++column) {
            out << (column ? "\t" : "") << FieldText(all->At(column, row));
        }
        out << "\n";
    }
}

Status OpenFile(jet::Connection& conn, const Arguments& args) {
    return conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + args.positional[0] +
                     ";Jet OLEDB:Database Password=" + args.password);
}

int Exec(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.positional.size() != 2) return Usage(err);
    jet::Connection conn;
    Status opened = OpenFile(conn, args);
    if (!opened) {
        err << "kestrin-db: " << opened.ToString() << "\n";
        return kCannotOpen;
    }
    auto result = conn.Execute(args.positional[1]);
    if (!result) {
        err << "kestrin-db: " << result.status().ToString() << "\n";
        return kFailed;
    }
    if (result->IsOpen()) {
        PrintRows(*result, out);
    } else {
        out << result->RecordsAffected() << " rows affected\n";
    }
    return 0;
}

// Every line of the statements file (blank ones skipped) in one transaction, so a test or benchmark
// fills a file with many thousand accounts at the cost of one commit. The first failure rolls it all
// back and names its line.
int Batch(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.positional.size() != 2) return Usage(err);
    std::ifstream statements(args.positional[1], std::ios::binary);
    jet::Connection conn;
    Status opened = statements ? OpenFile(conn, args) : Status(ErrorCode::NotFound, args.positional[1]);
    if (opened) opened = conn.BeginTrans();
    if (!opened) {
        err << "kestrin-db: " << opened.ToString() << "\n";
        return kCannotOpen;
    }
    size_t lineNumber = 0, run = 0;
    for (std::string line; std::getline(statements, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        auto result = conn.Execute(line);
        if (!result) {
            conn.RollbackTrans();
            err << "kestrin-db: line " << lineNumber << ": " << result.status().ToString() << "\n";
            return kFailed;
        }
        ++run;
    }
    Status committed = conn.CommitTrans();
    if (!committed) {
        err << "kestrin-db: " << committed.ToString() << "\n";
        return kFailed;
    }
    out << run << " statements\n";
    return 0;
}

}  // namespace

int RunKestrinDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err);
    const std::string& command = args[0];
    if (command == "hash") return Hash(args, out, err);
    std::optional<Arguments> parsed = ParseArguments(args);
    if (!parsed) return Usage(err);
    if (command == "template") return Template(*parsed, err);
    if (command == "check") return Check(*parsed, out, err);
    if (command == "exec") return Exec(*parsed, out, err);
    if (command == "keygen" || command == "sign" || command == "verify") {
        if (parsed->positional.size() != 2) return Usage(err);
        if (command == "keygen") return Keygen(parsed->positional, out, err);
        if (command == "sign") return Sign(parsed->positional, out, err);
        return Verify(parsed->positional, out, err);
    }
    if (command == "batch") return Batch(*parsed, out, err);
    err << "kestrin-db: unknown command '" << command << "'\n";
    return Usage(err);
}
