#include "resolution/Resolution.h"

#include <cmath>
#include <cstdlib>

namespace morvane {

namespace {

// A whole word as a finite number > 0.
bool PositiveNumber(const std::string& word, double& value)
{
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return *end == '\0' && std::isfinite(value) && value > 0;
}

}  // namespace

Resolution::Resolution(Analyzer analyzer, double value, double reference)
    : analyzer_(analyzer), value_(value), reference_(reference), scale_(0)
{
    switch (analyzer) {
    case Analyzer::Fwhm: scale_ = value; break;
    case Analyzer::Tof: scale_ = 1 / value; break;
    case Analyzer::Orbitrap: scale_ = 1 / (value * std::sqrt(reference)); break;
    case Analyzer::Fticr: scale_ = 1 / (value * reference); break;
    }
}

Resolution Resolution::ConstantWidth(double w) { return Resolution(Analyzer::Fwhm, w, 0); }

Resolution Resolution::Power(Analyzer analyzer, double power, double reference)
{
    return Resolution(analyzer, power, reference);
}

bool CheckFwhm(double width, std::string& reason)
{
    if (!(width > 0) || std::isnan(width)) {
        reason = "peak width must be > 0";
        return false;
    }
    if (!(width <= MAX_FWHM)) {
        reason = "peak width must be at most 10000";
        return false;
    }
    if (width < MIN_FWHM) {
        reason = "peak width must be at least 1e-9";
        return false;
    }
    return true;
}

bool CheckResolvingPower(double power, std::string& reason)
{
    if (!(power >= MIN_RESOLVING_POWER && power <= MAX_RESOLVING_POWER)) {
        reason = "resolution must be between 1 and 1e9";
        return false;
    }
    return true;
}

double DefaultReference(Analyzer analyzer)
{
    switch (analyzer) {
    case Analyzer::Orbitrap: return 200;
    case Analyzer::Fticr: return 400;
    default: return 1;  // the law does not use it
    }
}

bool ParseAnalyzer(const std::string& word, Analyzer& analyzer)
{
    if (word == "tof") analyzer = Analyzer::Tof;
    else if (word == "orbitrap") analyzer = Analyzer::Orbitrap;
    else if (word == "fticr") analyzer = Analyzer::Fticr;
    else return false;
    return true;
}

bool ParseResolution(const std::string& text, Analyzer analyzer, Resolution& resolution, std::string& reason)
{
    const std::size_t at = text.find('@');
    double power = 0, reference = DefaultReference(analyzer);
    if (!PositiveNumber(text.substr(0, at), power) ||
        (at != std::string::npos && !PositiveNumber(text.substr(at + 1), reference))) {
        reason = "resolution must be R or R@m0 with R and m0 > 0 (such as 120000@200)";
        return false;
    }
    if (!CheckResolvingPower(power, reason)) return false;
    resolution = Resolution::Power(analyzer, power, reference);
    return true;
}

}  // namespace morvane
