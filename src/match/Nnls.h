#ifndef MORVANE_MATCH_NNLS_H
#define MORVANE_MATCH_NNLS_H

#include <string>
#include <vector>

namespace morvane {

// A least-squares problem min |A x - b| subject to x >= 0, A of m rows and
// n columns (m >= 1, n >= 1).
struct NnlsProblem {
    int rows = 0;
    int columns = 0;
    std::vector<double> a;  // column-major: a[j * rows + i] is A(i, j)
    std::vector<double> b;  // rows values
};

// The solution and its uncertainty.
struct NnlsSolution {
    std::vector<double> x;
    // The covariance of x from the residuals, sigma^2 (A_P' A_P)^-1 over the
    // columns left free (P), sigma^2 = |A x - b|^2 / max(1, rows - |P|); a
    // column held at 0 gets the variance sigma^2 / |a_j|^2 and no
    // covariance. Column-major, columns x columns.
    std::vector<double> covariance;
    double residualNorm = 0;  // |A x - b|
};

// Solves by Lawson and Hanson's active set method, each free set's
// least-squares problem by Eigen's column-pivoting Householder QR. Returns
// false with the reason when the problem's sizes do not fit, a value is
// not finite, or the active set does not settle within 3n + 10 steps;
// `solution` is then unchanged.
bool SolveNnls(const NnlsProblem& problem, NnlsSolution& solution, std::string& reason);

}  // namespace morvane

#endif
