#include "support/Reference.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

std::map<std::string, std::vector<RefIsotope>> LoadReferenceTable(const std::string& path)
{
    std::map<std::string, std::vector<RefIsotope>> table;
    std::ifstream in(path);
    std::string line, current;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first, second;
        words >> first >> second;
        if (first.empty()) continue;
        if (std::isalpha(static_cast<unsigned char>(first[0]))) {
            current = first;
            table[current];
        } else {
            table[current].push_back(RefIsotope{std::stod(first), std::stod(second)});
        }
    }
    return table;
}

long double MultinomialProbability(const std::vector<int>& counts, const std::vector<double>& abundances)
{
    long double logp = 0;
    int n = 0;
    for (std::size_t j = 0; j < counts.size(); ++j) {
        n += counts[j];
        logp -= std::lgamma(static_cast<long double>(counts[j]) + 1);
        if (counts[j] > 0) logp += counts[j] * std::log(static_cast<long double>(abundances[j]));
    }
    logp += std::lgamma(static_cast<long double>(n) + 1);
    return std::exp(logp);
}

namespace {

// All ways of putting n atoms into k isotope slots.
void Compositions(int n, std::size_t k, std::vector<int>& c, std::size_t j, std::vector<std::vector<int>>& out)
{
    if (j + 1 == k) {
        c[j] = n;
        out.push_back(c);
        return;
    }
    for (int i = n; i >= 0; --i) {
        c[j] = i;
        Compositions(n - i, k, c, j + 1, out);
    }
}

std::vector<RefPeak> ElementVariants(const RefElement& e)
{
    std::vector<double> abund;
    for (const RefIsotope& i : e.isotopes) abund.push_back(i.abundance);
    std::vector<std::vector<int>> all;
    std::vector<int> c(e.isotopes.size());
    Compositions(e.atoms, e.isotopes.size(), c, 0, all);
    std::vector<RefPeak> result;
    for (const auto& counts : all) {
        long double mass = 0;
        for (std::size_t j = 0; j < counts.size(); ++j) mass += counts[j] * static_cast<long double>(e.isotopes[j].mass);
        result.push_back(RefPeak{static_cast<double>(mass), static_cast<double>(MultinomialProbability(counts, abund))});
    }
    return result;
}

}  // namespace

std::vector<RefPeak> AllVariants(const std::vector<RefElement>& molecule)
{
    std::vector<RefPeak> result{RefPeak{0.0, 1.0}};
    for (const RefElement& e : molecule) {
        std::vector<RefPeak> next;
        for (const RefPeak& partial : result)
            for (const RefPeak& v : ElementVariants(e))
                next.push_back(RefPeak{partial.mass + v.mass, partial.abundance * v.abundance});
        result.swap(next);
    }
    return result;
}

std::vector<RefPeak> NominalDistribution(const std::vector<RefElement>& molecule)
{
    // prob[i] and weighted mass sum wm[i] per count of extra nucleons i.
    std::vector<long double> prob{1.0L}, wm{0.0L};
    for (const RefElement& e : molecule) {
        const auto [light, heavy] = std::minmax_element(e.isotopes.begin(), e.isotopes.end(),
                                                        [](auto& a, auto& b) { return a.mass < b.mass; });
        const double lightest = light->mass;
        const auto widest = static_cast<std::size_t>(std::lround(heavy->mass - lightest));
        for (int atom = 0; atom < e.atoms; ++atom) {
            std::vector<long double> p2(prob.size() + widest, 0.0L), w2(prob.size() + widest, 0.0L);
            for (std::size_t i = 0; i < prob.size(); ++i)
                for (const RefIsotope& iso : e.isotopes) {
                    const auto shift = static_cast<std::size_t>(std::lround(iso.mass - lightest));
                    p2[i + shift] += prob[i] * iso.abundance;
                    w2[i + shift] += (wm[i] + prob[i] * iso.mass) * iso.abundance;
                }
            while (p2.size() > 1 && p2.back() == 0) p2.pop_back(), w2.pop_back();
            prob.swap(p2);
            wm.swap(w2);
        }
    }
    std::vector<RefPeak> peaks;
    for (std::size_t i = 0; i < prob.size(); ++i)
        if (prob[i] > 0) peaks.push_back(RefPeak{static_cast<double>(wm[i] / prob[i]), static_cast<double>(prob[i])});
    return peaks;
}

namespace {

// The chain of binomials: count c of isotope j among `left` atoms has the
// probability binomial(left, c) q^c (1-q)^(left-c), q being isotope j's
// share of the abundance of isotopes j onward. Counts are visited outward
// from the mode while the chain's probability stays at or above the cut.
class NucleonWalk {
public:
    // Sums the vectors of probability not below `cut` and above `above`.
    NucleonWalk(const RefElement& e, long double cut, long double above)
        : e_(e), cut_(cut), above_(above), counts_(e.isotopes.size())
    {
        for (const RefIsotope& i : e.isotopes) abundances_.push_back(i.abundance);
    }

    void Visit(std::size_t j, int left, long double chain)
    {
        if (j + 1 == e_.isotopes.size()) {
            counts_[j] = left;
            Add();
            return;
        }
        long double rest = 0;
        for (std::size_t i = j; i < abundances_.size(); ++i) rest += abundances_[i];
        const long double q = rest > 0 ? abundances_[j] / rest : 0;
        const int mode = static_cast<int>(std::floor((left + 1) * q));
        for (int step : {-1, 1})
            for (int c = step < 0 ? std::min(mode, left) : std::min(mode, left) + 1; c >= 0 && c <= left; c += step) {
                const long double p = chain * Binomial(left, c, q);
                if (p < cut_) break;
                counts_[j] = c;
                Visit(j + 1, left - c, p);
            }
    }

    std::map<long, std::pair<long double, long double>> bins;  // nucleons: probability, mass sum
    long double largest = 0;                                   // of the vectors summed
    std::vector<long double>* probabilities = nullptr;         // when set, each vector's probability

private:
    static long double Binomial(int n, int c, long double q)
    {
        if (q <= 0) return c == 0 ? 1 : 0;
        if (q >= 1) return c == n ? 1 : 0;
        return std::exp(std::lgamma(n + 1.0L) - std::lgamma(c + 1.0L) - std::lgamma(n - c + 1.0L) + c * std::log(q) +
                        (n - c) * std::log1p(-q));
    }

    void Add()
    {
        long nucleons = 0;
        long double mass = 0;
        for (std::size_t j = 0; j < counts_.size(); ++j) {
            nucleons += counts_[j] * std::lround(e_.isotopes[j].mass);
            mass += counts_[j] * static_cast<long double>(e_.isotopes[j].mass);
        }
        const long double p = MultinomialProbability(counts_, abundances_);
        if (!(p > above_)) return;
        largest = std::max(largest, p);
        if (probabilities != nullptr) {
            probabilities->push_back(p);
            return;
        }
        bins[nucleons].first += p;
        bins[nucleons].second += p * mass;
    }

    const RefElement& e_;
    const long double cut_, above_;
    std::vector<int> counts_;
    std::vector<double> abundances_;
};

std::vector<RefPeak> Peaks(const NucleonWalk& walk)
{
    std::vector<RefPeak> peaks;
    for (const auto& [nucleons, bin] : walk.bins)
        peaks.push_back(RefPeak{static_cast<double>(bin.second / bin.first), static_cast<double>(bin.first)});
    return peaks;
}

}  // namespace

std::vector<RefPeak> ElementByNucleonNumber(const RefElement& element, long double cut)
{
    NucleonWalk walk(element, cut, 0);
    walk.Visit(0, element.atoms, 1.0L);
    return Peaks(walk);
}

long double MostProbableVector(const RefElement& element)
{
    // The largest found with a cut lowered tenfold until some vector passes it.
    long double largest = 0;
    for (long double cut = 0.1L; largest == 0; cut /= 10) {
        NucleonWalk probe(element, cut, 0);
        std::vector<long double> unused;
        probe.probabilities = &unused;
        probe.Visit(0, element.atoms, 1.0L);
        largest = probe.largest;
    }
    return largest;
}

std::vector<long double> VectorProbabilities(const RefElement& element, long double cut)
{
    std::vector<long double> probabilities;
    NucleonWalk walk(element, cut, 0);
    walk.probabilities = &probabilities;
    walk.Visit(0, element.atoms, 1.0L);
    return probabilities;
}

long double TotalAboveThreshold(const std::vector<RefElement>& molecule, double thr)
{
    // Element by element, the products of the vectors so far that can
    // still reach the bar: a product below thr * (best) / (the best of the
    // elements still to come) cannot.
    std::vector<long double> modes;
    long double best = 1;
    for (const RefElement& e : molecule) {
        modes.push_back(MostProbableVector(e));
        best *= modes.back();
    }
    const long double bar = thr * best;
    std::vector<long double> products{1.0L};
    long double rest = best;
    for (std::size_t i = 0; i < molecule.size(); ++i) {
        rest /= modes[i];
        const std::vector<long double> own = VectorProbabilities(molecule[i], bar / (best / modes[i]));
        std::vector<long double> next;
        for (long double p : products)
            for (long double q : own)
                if (p * q * rest >= bar) next.push_back(p * q);
        products.swap(next);
    }
    long double total = 0;
    for (long double p : products) total += p;
    return total;
}

std::vector<RefPeak> ElementAboveThreshold(const RefElement& element, double thr)
{
    const long double largest = MostProbableVector(element);
    NucleonWalk walk(element, thr * largest, thr * largest);
    walk.Visit(0, element.atoms, 1.0L);
    return Peaks(walk);
}

std::vector<RefPeak> MergeChained(std::vector<RefPeak> v, double res)
{
    std::stable_sort(v.begin(), v.end(), [](const RefPeak& a, const RefPeak& b) { return a.mass < b.mass; });
    std::vector<RefPeak> peaks;
    double sumw = 0, suma = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0 && v[i].mass - v[i - 1].mass > res) {
            peaks.push_back(RefPeak{sumw / suma, suma});
            sumw = suma = 0;
        }
        sumw += v[i].mass * v[i].abundance;
        suma += v[i].abundance;
    }
    if (!v.empty()) peaks.push_back(RefPeak{sumw / suma, suma});
    return peaks;
}
