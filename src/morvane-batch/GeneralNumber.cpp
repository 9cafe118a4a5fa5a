#include "morvane-batch/GeneralNumber.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace morvane {

namespace {

// Room for any double at any precision (at most 767 significant digits, a
// sign, a point and an exponent).
const std::size_t NUMBER_ROOM = 800;

// The quick path's bounds: up to 15 digits, so that the scaled value is an
// integer below 10^15, and scale factors 10^k with |k| <= 27, which long
// double holds exactly (5^27 < 2^64). It is taken only where long double is
// the x87 extended type, exact and fast in hardware; elsewhere (a 53-bit
// or a software 113-bit long double) every number takes the exact path,
// which prints the same digits.
const bool QUICK_PATH = LDBL_MANT_DIG == 64;
const int MAX_QUICK_PRECISION = 15;
const int MAX_SCALE = 27;
// The scaled value is off by at most 10^15 * 2^-64 (about 5.4e-5) from the
// exact product; a fraction this close to one half may round either way.
const long double TIE_MARGIN = 1e-3L;

void AppendExact(double v, int precision, std::string& out)
{
    char text[NUMBER_ROOM];
    out.append(text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, precision).ptr);
}

// 10^0 to 10^MAX_SCALE, each exact in long double.
constexpr long double POWERS[MAX_SCALE + 1] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
                                               1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
                                               1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// "00" to "99".
const char PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The significant digits of v rounded to `precision`, trailing zeros
// dropped, and the decimal exponent of the rounded value: v is about
// d[0].d[1]d[2]... times 10^exponent.
struct Decimal {
    char digits[MAX_QUICK_PRECISION + 1];
    int count = 0;
    int exponent = 0;
};

// v * 10^k in long double, exactly rounded (10^k is exact).
long double Scaled(double v, int k)
{
    return k >= 0 ? static_cast<long double>(v) * POWERS[k] : static_cast<long double>(v) / POWERS[-k];
}

// Rounds positive normal v to `precision` digits, to the nearest; false
// when v lies too close to a rounding tie to tell quickly (the exact path
// then rounds it as printf does), or its scale is out of the quick range.
bool Round(double v, int precision, Decimal& d)
{
    // The binary exponent times log10(2): the decimal exponent or one below.
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const int binary = static_cast<int>(bits >> 52) - 1023;
    int exponent = static_cast<int>(std::floor(binary * 0.30102999566398120));
    const long double low = POWERS[precision - 1], high = POWERS[precision];
    long double scaled = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int k = precision - 1 - exponent;
        if (k > MAX_SCALE || -k > MAX_SCALE) return false;
        scaled = Scaled(v, k);
        if (scaled >= high) ++exponent;
        else if (scaled < low) --exponent;
        else break;
    }
    if (!(scaled >= low && scaled < high)) return false;
    std::int64_t r = static_cast<std::int64_t>(scaled);
    const long double fraction = scaled - static_cast<long double>(r);
    if (std::fabs(fraction - 0.5L) < TIE_MARGIN) return false;
    if (fraction > 0.5L) ++r;
    d.count = precision;
    if (static_cast<long double>(r) == high) {
        r /= 10;
        ++exponent;
    }
    int i = precision;
    for (; i >= 2; i -= 2, r /= 100) std::memcpy(d.digits + i - 2, PAIRS + 2 * (r % 100), 2);
    if (i == 1) d.digits[0] = static_cast<char>('0' + r);
    while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
    d.exponent = exponent;
    return true;
}

// %g's layout of the digits: fixed when -4 <= exponent < precision, else
// scientific with a signed exponent of at least two digits.
char* Layout(const Decimal& d, int precision, char* out)
{
    const int x = d.exponent;
    if (x < -4 || x >= precision) {
        *out++ = d.digits[0];
        if (d.count > 1) {
            *out++ = '.';
            for (int i = 1; i < d.count; ++i) *out++ = d.digits[i];
        }
        *out++ = 'e';
        *out++ = x < 0 ? '-' : '+';
        const int e = std::abs(x);
        if (e >= 100) *out++ = static_cast<char>('0' + e / 100);
        *out++ = static_cast<char>('0' + e / 10 % 10);
        *out++ = static_cast<char>('0' + e % 10);
        return out;
    }
    if (x < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = 0; i < -x - 1; ++i) *out++ = '0';
        for (int i = 0; i < d.count; ++i) *out++ = d.digits[i];
        return out;
    }
    for (int i = 0; i <= x; ++i) *out++ = i < d.count ? d.digits[i] : '0';
    if (d.count > x + 1) {
        *out++ = '.';
        for (int i = x + 1; i < d.count; ++i) *out++ = d.digits[i];
    }
    return out;
}

}  // namespace

void AppendGeneral(double v, int precision, std::string& out)
{
    const double magnitude = std::fabs(v);
    Decimal d;
    if (!QUICK_PATH || precision < 1 || precision > MAX_QUICK_PRECISION || !(magnitude >= DBL_MIN && magnitude <= DBL_MAX) ||
        !Round(magnitude, precision, d))
        return AppendExact(v, precision, out);
    char text[40];
    char* end = text;
    if (v < 0) *end++ = '-';
    end = Layout(d, precision, end);
    out.append(text, end);
}

}  // namespace morvane
