// The measured spectrum's checks: what it refuses, what it sorts and drops.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "match/MeasuredSpectrum.h"

using namespace morvane;

TEST(MatchMeasuredSpectrum, SortsAndDropsZeroIntensities)
{
    MeasuredSpectrum s;
    std::string reason;
    ASSERT_TRUE(MeasuredSpectrum::Make({{501.2, 5}, {500.1, 10}, {500.6, 0}, {500.2, 1}}, s, reason)) << reason;
    ASSERT_EQ(s.Peaks().size(), 3u);
    EXPECT_EQ(s.Peaks()[0].mass, 500.1);
    EXPECT_EQ(s.Peaks()[1].mass, 500.2);
    EXPECT_EQ(s.Peaks()[2].mass, 501.2);
    EXPECT_EQ(s.Between(500.15, 501.2), std::make_pair(std::size_t(1), std::size_t(3)));
    EXPECT_EQ(s.Closest(500.18, 0.05), 1u);
    EXPECT_EQ(s.Closest(500.5, 0.05), 3u);
}

TEST(MatchMeasuredSpectrum, RefusesBadPeaksNamingThem)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Case {
        std::vector<isotope> peaks;
        const char* reason;
    } cases[] = {
        {{{100, 1}, {nan, 1}}, "peak 2: m/z must be a finite number above 0"},
        {{{100, 1}, {-5, 1}}, "peak 2: m/z must be a finite number above 0"},
        {{{0, 1}}, "peak 1: m/z must be a finite number above 0"},
        {{{100, nan}}, "peak 1: intensity must be a finite number of at least 0"},
        {{{100, 1}, {101, -1}}, "peak 2: intensity must be a finite number of at least 0"},
        {{{100, inf}}, "peak 1: intensity must be a finite number of at least 0"},
        {{}, "the spectrum has no peak of intensity above 0"},
        {{{100, 0}}, "the spectrum has no peak of intensity above 0"},
    };
    for (const Case& c : cases) {
        MeasuredSpectrum s;
        std::string first;
        ASSERT_TRUE(MeasuredSpectrum::Make({{7, 7}}, s, first));
        std::string reason;
        EXPECT_FALSE(MeasuredSpectrum::Make(c.peaks, s, reason));
        EXPECT_EQ(reason, c.reason);
        ASSERT_EQ(s.Peaks().size(), 1u) << "a refused spectrum leaves the old one";
    }
}
