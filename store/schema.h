#pragma once
// The account database's schema and its empty template: table zk_auto_qqlist (one row per account)
// and table zk_auto_sys (the one settings row), protected by the database password.
//
// The template is what Kestrin carries as resource "DATE" 124 and writes as config.dat when none
// exists: exactly kTemplateBytes long, byte-for-byte the same every time it is written.

#include <cstdint>
#include <string>

#include "common/result.h"
#include "jet/pages/file_io.h"
#include "jet/tables/database.h"

inline constexpr char kDbPassword[] = "Tq4wnBkdy.rHsLmZXJoE";
inline constexpr uint32_t kTemplateBytes = 131072;

jet::TableSchema AccountTableSchema();   // zk_auto_qqlist
jet::TableSchema SettingsTableSchema();  // zk_auto_sys

// Writes the empty account database to `path`, replacing a file that is there. `sortOrder` 2052 or
// 1028 labels it as Access on a Chinese system would (the tests' stand-in for such a config.dat).
Status WriteTemplateDatabase(jet::FileSystem& fs, const std::string& path, uint16_t sortOrder = 1033);
