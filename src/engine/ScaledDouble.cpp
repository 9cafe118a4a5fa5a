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

ScaledDouble ScaledPow(double a, double d)
{
    const double plain = std::pow(a, d);
    if (!OutsideNormalRange(plain) || !(a > 0)) return ScaledDouble::Of(plain);
    const long double t = static_cast<long double>(d) * std::log2(static_cast<long double>(a));
    const long double whole = std::floor(t);
    ScaledDouble s = ScaledDouble::Of(static_cast<double>(std::exp2(t - whole)));
    s.exponent += static_cast<long long>(whole);
    return s;
}

}  // namespace morvane
