#ifndef MORVANE_ENGINE_SCALEDDOUBLE_H
#define MORVANE_ENGINE_SCALEDDOUBLE_H

#include <cfloat>
#include <cstdint>
#include <cstring>

namespace morvane {

// True when x is not a finite normal double: 0, subnormal, negative,
// infinite or not a number. One unsigned comparison of the bit pattern: the
// positive normal doubles are exactly the patterns from DBL_MIN's to
// DBL_MAX's, and every other value wraps or lies above them.
inline bool OutsideNormalRange(double x)
{
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const std::uint64_t lowest = 0x0010000000000000u;   // DBL_MIN
    const std::uint64_t highest = 0x7fefffffffffffffu;  // DBL_MAX
    return bits - lowest > highest - lowest;
}

// A non-negative number as a double significand and a binary exponent
// carried beside it: significand * 2^exponent. Products of scaled numbers
// round their significands exactly as the plain doubles' products round,
// wherever those stay normal, and keep all 53 bits where the plain products
// would overflow or pass through the subnormal range. The significand is 0
// or lies in [0.5, 1).
struct ScaledDouble {
    double significand = 1.0;
    long long exponent = 0;

    // x exactly (x finite and not negative).
    static ScaledDouble Of(double x);
    ScaledDouble& operator*=(const ScaledDouble& f);
    // The value as one double, rounded once: subnormal or 0 below the
    // normal range, infinite above it.
    double Value() const;
};

// a!/b! with its exponent carried: the same products in the same order as
// fdiff(a, b), so its significand is fdiff's wherever fdiff is a normal
// double, and accurate where fdiff would overflow or underflow.
ScaledDouble ScaledFdiff(int a, int b);

// a^d (a in [0, 1], d a whole number) with its exponent carried: pow's own
// result wherever that is a normal double, else binary powers formed in
// double-double arithmetic (relative error a few units of 2^-100 before
// the final rounding). No extended type is used, so every platform gives
// the same bits.
ScaledDouble ScaledPow(double a, double d);

}  // namespace morvane

#endif
