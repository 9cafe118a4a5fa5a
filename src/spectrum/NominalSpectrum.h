#ifndef MORVANE_SPECTRUM_NOMINALSPECTRUM_H
#define MORVANE_SPECTRUM_NOMINALSPECTRUM_H

#include <vector>

#include "../engine/KeptVariants.h"
#include "../engine/MolEnsemble.h"
#include "BaseSpectrum.h"

namespace morvane {

// The mass number of an isotope entry: its mass rounded to an integer.
long long MassNumber(double mass);

// Per element of the ensemble and per stored combination, the neutrons it
// has beyond the same atoms all in the element's most abundant isotope:
// the sum over entries j of count * (A_j - A_0), A the mass number.
std::vector<std::vector<long long>> ExtraNeutrons(const MolEnsemble& ensemble);

// The extra neutrons of the variant a search hands to its sink.
long long VariantNeutrons(const std::vector<std::vector<long long>>& neutrons, const std::uint32_t* cursor,
                          std::uint32_t innermost);

// Nominal binning, the coarse pattern of proteomics tools: the kept
// variants summed by their extra neutrons (relative to the monoisotopic
// variant), one peak per bin that holds some probability, at the bin's
// probability-weighted mean position (sum(p * mass / z) / sum(p), z the
// charge in mass-to-charge mode, else 1), in increasing order of neutrons.
// No peaks in mass-to-charge mode with charge 0. `neutrons` receives each
// peak's extra neutrons. Returns 0, or 6 when the search reaches its work
// bound, no variant has a probability above 0, or the bins would span
// more than 2^24 neutrons.
int NominalSpectrum(const KeptVariants& variants, const MolEnsemble& ensemble, bool masstocharge, int charge,
                    BaseSpectrum* spectrum, std::vector<long long>& neutrons);

}  // namespace morvane

#endif
