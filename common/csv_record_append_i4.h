// Appends fields to a TAB-separated record. RECORD is a growing string; its used part is the
// prefix up to its last non-blank character, and each append puts a TAB after a non-empty
// used part before the new field.
#pragma once

#include <cstdint>
#include <string>

namespace varandel {

// Appends the shortest decimal form of `value`.
void csv_record_append_i4(std::int32_t value, std::string& RECORD);

// Length of the used part of a record.
std::size_t csv_record_used(const std::string& RECORD);

} // namespace varandel
