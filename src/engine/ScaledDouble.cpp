#include "engine/ScaledDouble.h"

#include <climits>
#include <cmath>

namespace morvane {

ScaledDouble ScaledDouble::Of(double x)
{
    ScaledDouble s;
    if (!std::isfinite(x)) {
        s.significand = x;
        return s;
    }
    int e = 0;
    s.significand = std::frexp(x, &e);
    s.exponent = e;
    return s;
}

ScaledDouble& ScaledDouble::operator*=(const ScaledDouble& f)
{
    int e = 0;
    significand = std::frexp(significand * f.significand, &e);
    exponent += f.exponent + e;
    if (significand == 0) exponent = 0;
    return *this;
}

double ScaledDouble::Value() const
{
    // Beyond these the value is 0 or infinite whatever the significand;
    // clamping keeps the exponent within ldexp's int.
    const long long reach = 4 * (DBL_MAX_EXP - DBL_MIN_EXP + DBL_MANT_DIG);
    const long long e = exponent < -reach ? -reach : (exponent > reach ? reach : exponent);
    return std::ldexp(significand, static_cast<int>(e));
}

ScaledDouble ScaledFdiff(int a, int b)
{
    // The running product is scaled down by an exact power of two before
    // it can overflow (the next integer is below 2^32), so it never leaves
    // the normal range and rounds as the unscaled product does.
    const double ceiling = 0x1p960;
    const int scale = 960;
    const long long low = a < b ? a : b;
    const long long high = a < b ? b : a;
    double product = 1.0;
    long long exponent = 0;
    for (long long i = low + 1; i <= high; ++i) {
        product *= static_cast<double>(i);
        if (product > ceiling) {
            product = std::ldexp(product, -scale);
            exponent += scale;
        }
    }
    if (a < b) {
        product = 1.0 / product;
        exponent = -exponent;
    }
    ScaledDouble s = ScaledDouble::Of(product);
    s.exponent += exponent;
    return s;
}

namespace {

// A double-double significand, hi + lo with |lo| at most half an ulp of hi,
// hi in [0.5, 1), and a binary exponent: (hi + lo) * 2^exponent. Products
// are formed with fused multiply-adds, which round once by definition, so
// they give the same bits on every conforming platform.
struct DoubleDouble {
    double hi = 0.5;
    double lo = 0.0;
    long long exponent = 1;

    void Normalize()
    {
        int e = 0;
        const double h = std::frexp(hi, &e);
        lo = std::ldexp(lo, -e);  // exact: lo stays far above the subnormals
        hi = h;
        exponent += e;
    }
    void Multiply(const DoubleDouble& f)
    {
        const double p = hi * f.hi;
        const double err = std::fma(hi, f.hi, -p) + (hi * f.lo + lo * f.hi);
        hi = p + err;
        lo = err - (hi - p);
        exponent += f.exponent;
        Normalize();
    }
};

// a^d for finite a > 0 and a whole d >= 1 by binary powers in double-double:
// about 2 log2(d) roundings of 2^-104 each, so the result rounds to the
// nearest double but for the rarest near-ties.
DoubleDouble PowerOf(double a, double d)
{
    DoubleDouble base;
    base.hi = a;
    base.lo = 0.0;
    base.exponent = 0;
    base.Normalize();
    DoubleDouble result;  // 1 = 0.5 * 2^1
    for (double rest = d; rest >= 1; rest = std::floor(rest / 2)) {
        if (std::fmod(rest, 2) == 1) result.Multiply(base);
        if (rest >= 2) base.Multiply(base);
    }
    return result;
}

}  // namespace

ScaledDouble ScaledPow(double a, double d)
{
    const double plain = std::pow(a, d);
    if (!OutsideNormalRange(plain) || !(a > 0) || !std::isfinite(a)) return ScaledDouble::Of(plain);
    const DoubleDouble x = PowerOf(a, std::fabs(d));
    ScaledDouble s;
    if (d > 0) {
        s = ScaledDouble::Of(x.hi + x.lo);
        s.exponent += x.exponent;
        return s;
    }
    // 1 / (hi + lo): the quotient of hi corrected by the remainder.
    const double q = 1.0 / x.hi;
    const double r = std::fma(-q, x.hi, 1.0) - q * x.lo;
    s = ScaledDouble::Of(q + r / x.hi);
    s.exponent -= x.exponent;
    return s;
}

}  // namespace morvane
