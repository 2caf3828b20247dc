#include "csv_record_append_i4.h"

#include "text_output.h"

namespace varandel {

std::size_t csv_record_used(const std::string& RECORD) {
    const auto last = RECORD.find_last_not_of(' ');
    return last == std::string::npos ? 0 : last + 1;
}

void csv_record_append_i4(std::int32_t value, std::string& RECORD) {
    RECORD.resize(csv_record_used(RECORD));
    if (!RECORD.empty()) RECORD += '\t';
    RECORD += int_text(value);
}

} // namespace varandel
