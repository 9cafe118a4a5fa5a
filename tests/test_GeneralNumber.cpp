// morvane-batch's numbers: the bytes printf's %.*g (and so the stream in its
// default notation, as morvane prints) gives, at every precision.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "morvane-batch/GeneralNumber.h"

using namespace morvane;

namespace {

std::string Printf(double v, int precision)
{
    char text[1100];
    std::snprintf(text, sizeof text, "%.*g", precision, v);
    return text;
}

std::string General(double v, int precision)
{
    std::string out = "x";
    AppendGeneral(v, precision, out);
    return out.substr(1);
}

// The result table's own examples: positions and abundances as morvane
// prints them at 8 digits, and at 1 and 3.
TEST(GeneralNumber, TheResultTablesExamples)
{
    EXPECT_EQ(General(78.04695, 8), "78.04695");
    EXPECT_EQ(General(0.92424386123, 8), "0.92424386");
    EXPECT_EQ(General(100, 8), "100");
    EXPECT_EQ(General(0.000012345678, 8), "1.2345678e-05");
    EXPECT_EQ(General(78.05, 1), "8e+01");
    EXPECT_EQ(General(78.04695, 3), "78");
    EXPECT_EQ(General(1346.7281049, 8), "1346.7281");
    EXPECT_EQ(General(-673.36041, 8), "-673.36041");
}

// Exact ties at the rounded digit (printf rounds the binary value: 0.125 is
// exact and goes to even, 2.675 lies below its decimal text), carries that
// add a digit, exponents of three digits, zero, subnormals, infinities.
TEST(GeneralNumber, TiesCarriesAndTheEdgesOfTheRange)
{
    const double values[] = {0.125, 0.375, 2.5, 2.675, 1.005, 9.5, 99.5, 999999.5, 0.95, 9.9999999e-5, 9.99999999,
                             99999999.5, 1e-5, 1e15, 1e16, 1e22, 1e23, 1.5e-300, 2.5e300, 0.0, -0.0, 5e-324,
                             2.2250738585072014e-308, DBL_MAX, std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (double v : values)
        for (int p = 1; p <= 20; ++p) {
            EXPECT_EQ(General(v, p), Printf(v, p)) << v << " at " << p;
            EXPECT_EQ(General(-v, p), Printf(-v, p)) << -v << " at " << p;
        }
    EXPECT_EQ(General(0.1, 40), Printf(0.1, 40));
}

// Masses and probabilities as patterns have them, short decimals and their
// neighbours one unit in the last place away, and doubles of any bits.
TEST(GeneralNumber, SameAsPrintfOnManyValues)
{
    std::mt19937_64 random(20261207);
    int checked = 0;
    auto expect = [&](double v, int p) {
        ++checked;
        const std::string want = Printf(v, p);
        if (General(v, p) != want) ADD_FAILURE() << std::hexfloat << v << " at " << p << ": want " << want;
    };
    for (int i = 0; i < 100000; ++i) {
        const int p = 1 + i % 17;
        expect(50 + std::ldexp(static_cast<double>(random() >> 11), -53) * 5000, p);
        expect(std::ldexp(static_cast<double>(random() >> 11), -53) * std::pow(10.0, -static_cast<int>(random() % 20)), p);
        const double shortDecimal = static_cast<double>(random() % 100000) / std::pow(10.0, static_cast<int>(random() % 8));
        expect(shortDecimal, 1 + i % 9);
        expect(std::nextafter(shortDecimal, 0.0), 1 + i % 9);
        expect(std::nextafter(shortDecimal, 1e300), 1 + i % 9);
        std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        expect(any, p);
    }
    EXPECT_EQ(checked, 600000);
}

}  // namespace
