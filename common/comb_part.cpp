#include "comb_part.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "comb.h"

namespace varandel {

namespace {

void require_shape(const Table<std::int32_t>& table, std::int32_t rows, std::int32_t cols) {
    if (table.rows() != rows || table.cols() != cols)
        throw std::invalid_argument("table " + table.name() + " is " +
                                    std::to_string(table.rows()) + " x " +
                                    std::to_string(table.cols()) + ", expected " +
                                    std::to_string(rows) + " x " + std::to_string(cols));
}

} // namespace

void comb_part(std::int32_t n, std::int32_t nref, std::int32_t lo, std::int32_t hi,
               Table<std::int32_t>& COMBA) {
    const std::int32_t ncomb = COMBA.rows();
    // Row 1 is always written: a table without it has no room for the original combination.
    if (ncomb < 1) throw_table_range(COMBA.name(), 1, 1, ncomb);
    require_shape(COMBA, ncomb, std::max(nref, 0));
    const std::int32_t ntest = n - nref;
    // Entry (row, j) of the block; the combination index varies fastest.
    auto at = [&](std::int32_t row, std::int32_t j) -> std::int32_t& {
        return COMBA.data()[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ncomb) +
                            static_cast<std::size_t>(row - 1)];
    };
    for (std::int32_t j = 1; j <= nref; ++j) at(1, j) = j;

    // No m beyond min(nref, ntest) has a subset on both sides.
    const std::int32_t last = std::min({hi, nref, ntest});
    std::int32_t row = 2;
    for (std::int32_t m = std::max(lo, 1); m <= last; ++m) {
        std::vector<std::int32_t> REFCOMB(static_cast<std::size_t>(m));
        std::vector<std::int32_t> PARTCOMB(static_cast<std::size_t>(m));
        bool ref_done = true;
        for (;;) {
            comb_next(nref, m, REFCOMB.data(), ref_done);
            if (ref_done) break;
            bool part_done = true;
            for (;;) {
                comb_next(ntest, m, PARTCOMB.data(), part_done);
                if (part_done) break;
                if (row > ncomb) return;
                for (std::int32_t j = 1; j <= nref; ++j) at(row, j) = j;
                for (std::int32_t t = 0; t < m; ++t)
                    at(row, REFCOMB[static_cast<std::size_t>(t)]) =
                        PARTCOMB[static_cast<std::size_t>(t)] + nref;
                ++row;
            }
        }
    }
}

void comb_complement(std::int32_t n, const Table<std::int32_t>& CREF, Table<std::int32_t>& CTEST) {
    const std::int32_t ncomb = CREF.rows();
    const std::int32_t nref = CREF.cols();
    const std::int32_t ntest = std::max(n - nref, 0);
    require_shape(CTEST, ncomb, ntest);
    const std::int32_t* ref = CREF.data();
    std::int32_t* test = CTEST.data();
    const auto ld = static_cast<std::size_t>(ncomb);
    for (std::int32_t c = 0; c < ncomb; ++c) {
        std::int32_t p = 0;
        for (std::int32_t k = 1; k <= n; ++k) {
            bool found = false;
            for (std::int32_t j = 0; j < nref; ++j)
                if (ref[static_cast<std::size_t>(j) * ld + static_cast<std::size_t>(c)] == k)
                    found = true;
            if (found) continue;
            // A row with repeated or foreign markers leaves more than ntest markers out.
            if (p == ntest) throw_table_range(CTEST.name(), 2, p + 1, ntest);
            test[static_cast<std::size_t>(p) * ld + static_cast<std::size_t>(c)] = k;
            ++p;
        }
    }
}

} // namespace varandel
