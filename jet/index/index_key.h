#pragma once
// Index keys: the bytes under which a row's values sort in an index (one flag byte per column, then
// the value bytes). Text uses the General (legacy) sort order, LCID 1033 version 0.
//
// A value that cannot be encoded exactly (text with characters outside the tables this engine
// carries, or a column whose sort order is not General) is Unsupported: the caller refuses the write
// instead of storing a wrong key.

#include <string>
#include <vector>

#include "common/result.h"
#include "jet/format/value.h"

namespace jet {

struct IndexKeyColumn {
    ColumnType type = ColumnType::Long;
    bool ascending = true;
    uint16_t sortOrder = 1033;  // text: the column's collating order LCID
    uint8_t sortVersion = 0;    // text: 0 = General legacy
};

// `values` are in index column order, one per column.
Result<std::string> EncodeIndexKey(const std::vector<IndexKeyColumn>& columns, const std::vector<Value>& values);

}  // namespace jet
