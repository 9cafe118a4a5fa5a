#include "morvane-plot/ResolvedPicture.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <sstream>
#include <string>

#include "calc/Pattern.h"
#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "morvane-plot/PlotPattern.h"
#include "resolution/Profile.h"

namespace morvane {

namespace {

// Profile points drawn at most: beyond, each run of points is drawn as its
// highest, so that no peak loses its top.
const std::size_t MAX_DRAWN_POINTS = 20000;

std::string InstrumentText(const Resolution& r, const char* unit)
{
    std::ostringstream t;
    switch (r.Kind()) {
    case Analyzer::Fwhm: t << "FWHM " << r.Value() << unit; break;
    case Analyzer::Tof: t << "tof R " << r.Value(); break;
    case Analyzer::Orbitrap: t << "orbitrap R " << r.Value() << " @ " << r.Reference(); break;
    case Analyzer::Fticr: t << "FT-ICR R " << r.Value() << " @ " << r.Reference(); break;
    }
    return t.str();
}

std::string Title(const RunSettings& s, const std::string& adduct, const Resolution& r)
{
    std::ostringstream t;
    const char* unit = s.masstocharge ? "" : " u";
    t << s.formula << (adduct.empty() ? "" : " " + adduct) << " \u2014 " << SelectionText(s) << ", " << InstrumentText(r, unit);
    if (s.mergeGiven) t << ", merge " << s.merge << unit;
    if (s.charge != 0) t << ", charge " << s.charge;
    if (s.filter > 0) t << ", variants from " << s.filter << " %";
    return t.str();
}

// The profile in percent of its top, at most MAX_DRAWN_POINTS of it.
void DrawnProfile(const Profile& profile, PatternPicture& pic)
{
    const double top = *std::max_element(profile.y.begin(), profile.y.end());
    const double scale = top > 0 ? 100.0 / top : 0.0;
    const std::size_t run = (profile.x.size() + MAX_DRAWN_POINTS - 1) / MAX_DRAWN_POINTS;
    for (std::size_t i = 0; i < profile.x.size(); i += run) {
        const std::size_t end = std::min(profile.x.size(), i + run);
        const std::size_t highest = static_cast<std::size_t>(
            std::max_element(profile.y.begin() + i, profile.y.begin() + end) - profile.y.begin());
        pic.profilex.push_back(profile.x[highest]);
        pic.profiley.push_back(profile.y[highest] * scale);
    }
}

// Each centroid labelled at the height of the profile's nearest point.
void CentroidLabels(const std::vector<isotope>& centroids, const Profile& profile, PatternPicture& pic)
{
    const double top = *std::max_element(profile.y.begin(), profile.y.end());
    pic.centroidLabels = true;
    for (const isotope& c : centroids) {
        const auto at = std::lower_bound(profile.x.begin(), profile.x.end(), c.mass);
        std::size_t i = static_cast<std::size_t>(at - profile.x.begin());
        if (i == profile.x.size() || (i > 0 && c.mass - profile.x[i - 1] < profile.x[i] - c.mass)) --i;
        pic.labelx.push_back(c.mass);
        pic.labely.push_back(top > 0 ? profile.y[i] * 100.0 / top : 0.0);
    }
}

}  // namespace

int ResolvedPicture(RunSettings s, PlotSettings& p, PatternPicture& pic, std::ostream& out)
{
    PatternResult r;
    if (const int status = PlotPattern(s, p, false, r, out)) return status;
    TakeIonCharge(p, r, s);
    std::string reason;
    pic.title = Title(s, p.adduct, *p.instrument.resolution);
    pic.xlabel = s.masstocharge ? "m/z" : "mass (u)";
    pic.stickName = "variants";
    pic.precision = std::min(s.precision, 17);
    if (r.variants.empty()) return 0;
    double largest = 0;
    for (const isotope& v : r.variants) largest = std::max(largest, v.abundance);
    for (const isotope& v : r.variants) {
        const double percent = v.abundance * 100.0 / largest;
        if (percent < s.filter) continue;
        pic.positions.push_back(v.mass);
        pic.heights.push_back(percent);
    }
    Profile profile;
    if (!MakeProfile(r.variants, *p.instrument.resolution, profile, reason)) {
        out << "Error: " << reason << "\n";
        return EXCEPTION_STATUS;
    }
    pic.xmin = profile.x.front();
    pic.xmax = profile.x.back();
    DrawnProfile(profile, pic);
    CentroidLabels(r.peaks, profile, pic);
    return 0;
}

}  // namespace morvane
