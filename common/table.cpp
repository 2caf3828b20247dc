#include "table.h"

namespace varandel {

void throw_table_range(const std::string& table, int subscript, std::int64_t value,
                       std::int64_t bound) {
    throw TableRangeError("index out of range: table " + table + ", subscript " +
                          std::to_string(subscript) + " has value " + std::to_string(value) +
                          ", bound 1.." + std::to_string(bound));
}

} // namespace varandel
