#include "uniform_draw.h"

namespace varandel {

namespace {

// splitmix64's finaliser: a bijective 64-bit mix with full avalanche.
constexpr std::uint64_t mix64(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

} // namespace

std::uint64_t random_key(const SeedWords& SEED) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(SEED[0])) << 32) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(SEED[1]));
}

double uniform_draw(std::uint64_t key, std::int32_t comb, std::int64_t pair) {
    // Each input word is absorbed through a full mix, offset by a distinct odd constant, so that
    // (comb, pair) and (pair, comb) and neighbouring counters give unrelated outputs.
    std::uint64_t h = mix64(key + 0x9e3779b97f4a7c15ULL);
    h = mix64(
        h ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(comb)) + 0xd1b54a32d192ed03ULL));
    h = mix64(h ^ (static_cast<std::uint64_t>(pair) + 0x8cb92ba72f3d8dd7ULL));
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

} // namespace varandel
