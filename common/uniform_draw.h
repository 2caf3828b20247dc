// The job's random generator: a counter-based hash rather than a stream. Every draw is a pure
// function of the job seed, the combination number and the pair's index within that
// combination, so a job's random values never depend on the thread count, on timing, or on how
// often a value is asked for. Nothing is shared between threads and there is no mutable state.
#pragma once

#include <array>
#include <cstdint>

namespace varandel {

// The seed as handed over by the run sequence: two 32-bit words (both set to get_seed's value).
using SeedWords = std::array<std::int32_t, 2>;

// The 64-bit generator key made once from the two seed words (first word in the high half).
std::uint64_t random_key(const SeedWords& SEED);

// Uniform double in [0, 1) with 53 random bits for draw `pair` of combination `comb`.
double uniform_draw(std::uint64_t key, std::int32_t comb, std::int64_t pair);

} // namespace varandel
