#ifndef MORVANE_RESOLUTION_RESOLUTION_H
#define MORVANE_RESOLUTION_RESOLUTION_H

#include <cmath>
#include <string>

namespace morvane {

// How a mass analyzer's peak width grows with m/z.
enum class Analyzer {
    Fwhm,      // one width at every position
    Tof,       // constant resolving power: width m / R
    Orbitrap,  // R(m) = R0 sqrt(m0 / m): width m^1.5 / (R0 sqrt(m0))
    Fticr,     // R(m) = R0 m0 / m: width m^2 / (R0 m0)
};

// The instrument's resolution: the full width at half maximum of a peak at
// any position, in the positions' unit (u, or u per charge for m/z). A
// negative position (m/z of a negative ion) has the width of its absolute
// value, so widths never shrink away from zero.
class Resolution {
public:
    // The constant width w (> 0).
    static Resolution ConstantWidth(double w);
    // Resolving power `power` at the reference position `reference` (unused
    // by Tof); both > 0.
    static Resolution Power(Analyzer analyzer, double power, double reference);

    double Fwhm(double position) const
    {
        const double m = std::fabs(position);
        switch (analyzer_) {
        case Analyzer::Fwhm: return scale_;
        case Analyzer::Tof: return m * scale_;
        case Analyzer::Orbitrap: return m * std::sqrt(m) * scale_;
        case Analyzer::Fticr: return m * m * scale_;
        }
        return scale_;
    }
    Analyzer Kind() const { return analyzer_; }
    double Value() const { return value_; }          // the width, or R0
    double Reference() const { return reference_; }  // m0

private:
    Resolution(Analyzer analyzer, double value, double reference);
    Analyzer analyzer_;
    double value_;
    double reference_;
    double scale_;  // the law's constant: w, 1/R, 1/(R0 sqrt(m0)) or 1/(R0 m0)
};

// The bounds of a resolution the front-ends take. Wider peaks than
// MAX_FWHM u (all isotopes of a molecule merge long before) lose their
// positions to rounding: at 1e20 u every centroid lands at 0. Narrower
// ones than MIN_FWHM have no distinct positions beside masses of hundreds
// of u, and a Gaussian's height overflows at 1e-320. Resolving
// powers outside MIN_RESOLVING_POWER to MAX_RESOLVING_POWER describe no
// instrument.
constexpr double MIN_FWHM = 1e-9, MAX_FWHM = 1e4;
constexpr double MIN_RESOLVING_POWER = 1, MAX_RESOLVING_POWER = 1e9;

// Whether a peak width lies from MIN_FWHM to MAX_FWHM; false with the
// reason.
bool CheckFwhm(double width, std::string& reason);
// Whether a resolving power is within the bounds; false with the reason.
bool CheckResolvingPower(double power, std::string& reason);

// The reference m/z of a resolving power given without one: where
// instruments of that kind quote it (200 for orbitrap, 400 for FT-ICR).
double DefaultReference(Analyzer analyzer);

// Reads an analyzer name: "tof", "orbitrap" or "fticr". Returns false for
// any other word.
bool ParseAnalyzer(const std::string& word, Analyzer& analyzer);

// Reads "R" or "R@m0" (R0 at the reference m0, both finite and > 0) for an
// analyzer other than Fwhm; without "@m0" the analyzer's default reference
// applies. Returns false with the reason for a person to act on.
bool ParseResolution(const std::string& text, Analyzer analyzer, Resolution& resolution, std::string& reason);

}  // namespace morvane

#endif
