#ifndef MORVANE_TESTS_SAMEPEAKS_H
#define MORVANE_TESTS_SAMEPEAKS_H

#include <gtest/gtest.h>

#include <string>

#include "calc/Pattern.h"

// Both calculations succeeded and gave the same peaks, bit for bit.
inline void ExpectSamePeaks(const morvane::PatternResult& a, const morvane::PatternResult& b, const std::string& what)
{
    ASSERT_EQ(a.status, 0) << what << ": " << a.reason;
    ASSERT_EQ(b.status, 0) << what << ": " << b.reason;
    ASSERT_EQ(a.peaks.size(), b.peaks.size()) << what;
    for (std::size_t i = 0; i < a.peaks.size(); ++i) {
        EXPECT_EQ(a.peaks[i].mass, b.peaks[i].mass) << what << " peak " << i;
        EXPECT_EQ(a.peaks[i].abundance, b.peaks[i].abundance) << what << " peak " << i;
    }
}

#endif
