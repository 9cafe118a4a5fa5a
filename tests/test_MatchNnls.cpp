// The non-negative least squares: exact solutions, the bound, the
// covariance, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "match/Nnls.h"

using namespace morvane;

TEST(MatchNnls, SolvesAnExactSystem)
{
    NnlsProblem p{3, 2, {1, 1, 0, 0, 1, 1}, {2, 5, 3}};
    NnlsSolution s;
    std::string reason;
    ASSERT_TRUE(SolveNnls(p, s, reason)) << reason;
    EXPECT_NEAR(s.x[0], 2, 1e-12);
    EXPECT_NEAR(s.x[1], 3, 1e-12);
    EXPECT_NEAR(s.residualNorm, 0, 1e-12);
}

TEST(MatchNnls, HoldsANegativeSolutionAtZero)
{
    // Unconstrained: x = (2, -1); with x >= 0 the second is 0 and the first
    // fits b alone.
    NnlsProblem p{2, 2, {1, 0, 1, 1}, {1, -1}};
    NnlsSolution s;
    std::string reason;
    ASSERT_TRUE(SolveNnls(p, s, reason)) << reason;
    EXPECT_NEAR(s.x[0], 1, 1e-12);
    EXPECT_EQ(s.x[1], 0);
    EXPECT_NEAR(s.residualNorm, 1, 1e-12);
    EXPECT_GT(s.covariance[3], 0);
}

TEST(MatchNnls, CovarianceFromTheResiduals)
{
    // A straight line through noisy points: the free columns' covariance is
    // sigma^2 (A'A)^-1.
    NnlsProblem p{4, 1, {1, 1, 1, 1}, {1, 2, 3, 2}};
    NnlsSolution s;
    std::string reason;
    ASSERT_TRUE(SolveNnls(p, s, reason)) << reason;
    EXPECT_NEAR(s.x[0], 2, 1e-12);
    EXPECT_NEAR(s.covariance[0], (2.0 / 3) / 4, 1e-12);
}

TEST(MatchNnls, RefusesBadProblems)
{
    NnlsSolution s;
    std::string reason;
    EXPECT_FALSE(SolveNnls(NnlsProblem{2, 2, {1, 2, 3}, {1, 2}}, s, reason));
    EXPECT_EQ(reason, "the least-squares problem's sizes do not fit");
    EXPECT_FALSE(SolveNnls(NnlsProblem{1, 1, {std::numeric_limits<double>::quiet_NaN()}, {1}}, s, reason));
    EXPECT_EQ(reason, "the least-squares problem holds a value that is not finite");
    EXPECT_TRUE(s.x.empty());
}
