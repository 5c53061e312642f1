#pragma once
// A real config.dat with the product's schema, in a fresh folder per test, for the executor,
// Connection and store tests, and the outcome of a statement as one string.

#include <filesystem>
#include <string>

#include "jet/sql/connection.h"
#include "jet/sql/recordset.h"

namespace jet::testing {

inline constexpr const char* kProductPassword = "Tq4wnBkdy.rHsLmZXJoE";

std::string ConnectionStringFor(const std::string& path);

class ProductDb {
  public:
    // Creates <temp>/<test name>/config.dat with test::CreateProductDb (product_schema.h), closed again.
    ProductDb();
    ~ProductDb();

    const std::string& Path() const { return path_; }
    std::string ConnectionString() const;

  private:
    std::filesystem::path folder_;
    std::string path_;
};

// Rows of a query as "v,v;v,v" (Null as N, text as 'text'); a change as "affected N"; an error as
// "<Code>". One string states a whole outcome, so scenario tables stay one line a step.
std::string Outcome(const Result<Recordset>& result);

}  // namespace jet::testing
