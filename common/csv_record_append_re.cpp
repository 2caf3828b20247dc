#include "csv_record_append_re.h"

#include "csv_record_append_i4.h"
#include "text_output.h"

namespace varandel {

void csv_record_append_re(float value, std::string& RECORD) {
    RECORD.resize(csv_record_used(RECORD));
    if (!RECORD.empty()) RECORD += '\t';
    RECORD += trim_leading_blanks(fixed_point(static_cast<double>(value), 14, 6));
}

} // namespace varandel
