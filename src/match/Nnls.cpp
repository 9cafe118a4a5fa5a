#include "Nnls.h"

#include <Eigen/Dense>
#include <cmath>

namespace morvane {

namespace {

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;

// The least-squares solution over the free columns, 0 elsewhere.
Vector FreeSolution(const Matrix& a, const Vector& b, const std::vector<bool>& free)
{
    std::vector<int> cols;
    for (int j = 0; j < a.cols(); ++j)
        if (free[j]) cols.push_back(j);
    Matrix sub(a.rows(), static_cast<Eigen::Index>(cols.size()));
    for (std::size_t k = 0; k < cols.size(); ++k) sub.col(k) = a.col(cols[k]);
    const Vector z = sub.colPivHouseholderQr().solve(b);
    Vector full = Vector::Zero(a.cols());
    for (std::size_t k = 0; k < cols.size(); ++k) full(cols[k]) = z(k);
    return full;
}

// One outer step's inner loop: moves x towards the free solution until
// every free column is positive. Returns false when it does not settle.
bool SettleFreeSet(const Matrix& a, const Vector& b, std::vector<bool>& free, Vector& x)
{
    for (int step = 0; step < 3 * a.cols() + 10; ++step) {
        const Vector z = FreeSolution(a, b, free);
        double alpha = 1;
        bool positive = true;
        for (int j = 0; j < a.cols(); ++j)
            if (free[j] && z(j) <= 0) {
                positive = false;
                alpha = std::min(alpha, x(j) / (x(j) - z(j)));
            }
        if (positive) {
            x = z;
            return true;
        }
        x += alpha * (z - x);
        for (int j = 0; j < a.cols(); ++j)
            if (free[j] && x(j) <= 1e-15 * x.cwiseAbs().maxCoeff()) {
                free[j] = false;
                x(j) = 0;
            }
    }
    return false;
}

// sigma^2 (A_P' A_P)^-1 on the free columns, sigma^2 / |a_j|^2 on the others.
std::vector<double> Covariance(const Matrix& a, const std::vector<bool>& free, double residual2)
{
    const int n = static_cast<int>(a.cols());
    int freeCount = 0;
    for (bool f : free) freeCount += f ? 1 : 0;
    const double sigma2 = residual2 / std::max(1, static_cast<int>(a.rows()) - freeCount);
    std::vector<int> cols;
    for (int j = 0; j < n; ++j)
        if (free[j]) cols.push_back(j);
    Matrix sub(a.rows(), static_cast<Eigen::Index>(cols.size()));
    for (std::size_t k = 0; k < cols.size(); ++k) sub.col(k) = a.col(cols[k]);
    const Matrix gram = sub.transpose() * sub;
    const Matrix inverse = gram.ldlt().solve(Matrix::Identity(gram.rows(), gram.cols()));
    std::vector<double> cov(static_cast<std::size_t>(n) * n, 0.0);
    for (std::size_t r = 0; r < cols.size(); ++r)
        for (std::size_t c = 0; c < cols.size(); ++c) cov[cols[c] * n + cols[r]] = sigma2 * inverse(r, c);
    for (int j = 0; j < n; ++j)
        if (!free[j]) cov[j * n + j] = sigma2 / std::max(a.col(j).squaredNorm(), 1e-300);
    return cov;
}

}  // namespace

bool SolveNnls(const NnlsProblem& problem, NnlsSolution& solution, std::string& reason)
{
    const int m = problem.rows, n = problem.columns;
    if (m < 1 || n < 1 || problem.a.size() != static_cast<std::size_t>(m) * n ||
        problem.b.size() != static_cast<std::size_t>(m)) {
        reason = "the least-squares problem's sizes do not fit";
        return false;
    }
    const Matrix a = Eigen::Map<const Matrix>(problem.a.data(), m, n);
    const Vector b = Eigen::Map<const Vector>(problem.b.data(), m);
    if (!a.allFinite() || !b.allFinite()) {
        reason = "the least-squares problem holds a value that is not finite";
        return false;
    }
    std::vector<bool> free(n, false);
    Vector x = Vector::Zero(n);
    const double tolerance = 1e-12 * std::max(1.0, (a.transpose() * b).cwiseAbs().maxCoeff());
    for (int outer = 0; outer <= 3 * n + 10; ++outer) {
        const Vector w = a.transpose() * (b - a * x);
        int best = -1;
        for (int j = 0; j < n; ++j)
            if (!free[j] && w(j) > tolerance && (best < 0 || w(j) > w(best))) best = j;
        if (best < 0) {
            solution.x.assign(x.data(), x.data() + n);
            const double residual2 = (a * x - b).squaredNorm();
            solution.residualNorm = std::sqrt(residual2);
            solution.covariance = Covariance(a, free, residual2);
            return true;
        }
        free[best] = true;
        if (!SettleFreeSet(a, b, free, x)) break;
    }
    reason = "the non-negative least-squares fit did not settle";
    return false;
}

}  // namespace morvane
