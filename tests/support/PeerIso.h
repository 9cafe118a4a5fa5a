#ifndef MORVANE_TESTS_PEERISO_H
#define MORVANE_TESTS_PEERISO_H

#include <isoSpec++.h>

#include "formula/MolComposition.h"

// The IsoSpec library's molecule for a composition, with the same isotope
// masses and abundances, element by element.
IsoSpec::Iso PeerIso(const morvane::MolComposition& c);

#endif
