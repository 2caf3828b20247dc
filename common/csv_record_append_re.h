#pragma once

#include <string>

namespace varandel {

// Appends `value` as a fixed-point field of width 14 with six decimals, leading blanks removed;
// a value too large for the field is appended as 14 asterisks.
void csv_record_append_re(float value, std::string& RECORD);

} // namespace varandel
