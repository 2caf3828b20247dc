// The best-order search with a choice of engine. Every engine has perm_tj's contract and gives
// perm_tj's result bit for bit, ties included: the same ordering, best total and per-reference
// sums; SSQ_BEST and TEST_ORDER are written only when an ordering is accepted, and best is
// 2147483648.0 when none is.
//   reference  the literal search (perm_tj)
//   enumerate  every ordering, scored incrementally in SIMD lanes (up to 16 test markers)
//   bnb        exact branch and bound (up to 32 test markers)
//   automatic  per call the fastest of these for the size; the literal search where exactness
//              cannot be proven (ntest <= 2, a column too close to constant, values far out of
//              range). Beyond the literal limit (20) such a matrix raises std::domain_error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varandel {

enum class Engine { automatic, reference, enumerate, bnb };

// The names auto, reference, enumerate and bnb; false (engine untouched) for any other text.
bool parse_engine(std::string_view text, Engine& engine);
std::string_view engine_name(Engine engine);

// Empty when the engine handles ntest test markers; otherwise a message naming the limit.
std::string best_order_limit_message(Engine engine, std::int32_t ntest);

// The engine that automatic runs for a size (measured crossovers): the literal search itself up
// to 4 test markers (a few microseconds, less than the analysis the fast searches start with),
// the enumeration up to 6 (8 with at most 8 reference markers), branch and bound above. It still
// falls back to the literal search where the fast searches cannot prove exactness.
Engine best_order_automatic_choice(std::int32_t nref, std::int32_t ntest);

// DATA: ntest x nref correlations, one reference column contiguous. Safe to call from many
// threads at once, each with its own outputs.
void best_order(Engine engine, const float* DATA, std::int32_t nref, std::int32_t ntest,
                float* SSQ_BEST, float& best, std::int32_t* TEST_ORDER);

// The same result, with the work of this one call shared by all threads of an OpenMP parallel
// region of its own (omp_get_max_threads() threads). For jobs with fewer combinations than
// threads; call it from the main thread, outside any parallel region.
void best_order_parallel(Engine engine, const float* DATA, std::int32_t nref, std::int32_t ntest,
                         float* SSQ_BEST, float& best, std::int32_t* TEST_ORDER);

} // namespace varandel
