#include "spectrum/Distance.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

bool Usable(const std::vector<isotope>& s, const char* name, std::string& reason)
{
    double sum = 0;
    for (const isotope& p : s) {
        if (!std::isfinite(p.mass) || !std::isfinite(p.abundance) || p.abundance < 0) {
            reason = std::string(name) + " has a position that is not finite or an intensity that is negative or not finite";
            return false;
        }
        sum += p.abundance;
    }
    if (!(sum > 0) || !std::isfinite(sum)) {
        reason = std::string(name) + " has no intensity";
        return false;
    }
    return true;
}

std::vector<isotope> ByPosition(std::vector<isotope> s)
{
    std::stable_sort(s.begin(), s.end(), [](const isotope& x, const isotope& y) { return x.mass < y.mass; });
    return s;
}

double Sum(const std::vector<isotope>& s)
{
    double sum = 0;
    for (const isotope& p : s) sum += p.abundance;
    return sum;
}

}  // namespace

bool WassersteinDistance(const std::vector<isotope>& a, const std::vector<isotope>& b, double& distance,
                         std::string& reason)
{
    distance = 0;
    if (!Usable(a, "the first spectrum", reason) || !Usable(b, "the second spectrum", reason)) return false;
    // The sticks of both, b's with negative weight: the running sum is F_a - F_b.
    std::vector<isotope> both;
    const double sa = Sum(a), sb = Sum(b);
    for (const isotope& p : a) both.emplace_back(p.mass, p.abundance / sa);
    for (const isotope& p : b) both.emplace_back(p.mass, -(p.abundance / sb));
    both = ByPosition(std::move(both));
    double difference = 0;
    for (std::size_t k = 0; k + 1 < both.size(); ++k) {
        difference += both[k].abundance;
        distance += std::fabs(difference) * (both[k + 1].mass - both[k].mass);
    }
    return true;
}

bool CosineSimilarity(const std::vector<isotope>& a, const std::vector<isotope>& b, double ppm, double& similarity,
                      std::string& reason)
{
    similarity = 0;
    if (!(ppm >= 0) || !std::isfinite(ppm)) {
        reason = "the tolerance must be a finite number of ppm >= 0";
        return false;
    }
    if (!Usable(a, "the first spectrum", reason) || !Usable(b, "the second spectrum", reason)) return false;
    const std::vector<isotope> x = ByPosition(a), y = ByPosition(b);
    double dot = 0, na = 0, nb = 0;
    for (const isotope& p : x) na += p.abundance * p.abundance;
    for (const isotope& p : y) nb += p.abundance * p.abundance;
    for (std::size_t i = 0, j = 0; i < x.size() && j < y.size();) {
        const double tolerance = ppm * 1e-6 * std::fabs(x[i].mass);
        if (std::fabs(x[i].mass - y[j].mass) <= tolerance) dot += x[i++].abundance * y[j++].abundance;
        else if (x[i].mass < y[j].mass) ++i;
        else ++j;
    }
    similarity = dot / (std::sqrt(na) * std::sqrt(nb));
    return true;
}

}  // namespace morvane
