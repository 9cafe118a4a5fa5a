#include "spectrum/MassSort.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace morvane {

namespace {

// Outside this range a merge sort is quicker: below it the radix passes'
// fixed costs dominate, above it their scattered writes miss the TLB on
// every variant (measured on the benchmark ladder).
const std::size_t RADIX_MIN = 4096;
const std::size_t RADIX_MAX = std::size_t(1) << 24;
const int DIGIT_BITS = 16;
const std::size_t BUCKETS = std::size_t(1) << DIGIT_BITS;

// Maps a double to an unsigned integer of the same order: positive values
// get their sign bit set, negative ones all bits flipped. -0.0 becomes +0.0.
std::uint64_t OrderedKey(double mass)
{
    if (mass == 0) mass = 0.0;
    std::uint64_t bits;
    std::memcpy(&bits, &mass, sizeof bits);
    return (bits & 0x8000000000000000ULL) ? ~bits : bits | 0x8000000000000000ULL;
}

unsigned Digit(std::uint64_t key, int pass) { return static_cast<unsigned>(key >> (pass * DIGIT_BITS)) & (BUCKETS - 1); }

}  // namespace

void StableSortByMass(std::vector<MolDistribution>& variants)
{
    const std::size_t n = variants.size();
    if (n < RADIX_MIN || n > RADIX_MAX) {
        std::stable_sort(variants.begin(), variants.end());
        return;
    }
    std::vector<std::uint64_t> keys(n), keysOut(n);
    std::vector<MolDistribution> out(n);
    for (std::size_t i = 0; i < n; ++i) keys[i] = OrderedKey(variants[i].mass);
    std::vector<std::size_t> count(BUCKETS);
    for (int pass = 0; pass < 64 / DIGIT_BITS; ++pass) {
        std::fill(count.begin(), count.end(), 0);
        for (std::uint64_t k : keys) ++count[Digit(k, pass)];
        // A digit shared by every key leaves the order as it is.
        if (count[Digit(keys[0], pass)] == n) continue;
        std::size_t start = 0;
        for (std::size_t& c : count) {
            const std::size_t size = c;
            c = start;
            start += size;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t to = count[Digit(keys[i], pass)]++;
            keysOut[to] = keys[i];
            out[to] = variants[i];
        }
        keys.swap(keysOut);
        variants.swap(out);
    }
}

}  // namespace morvane
