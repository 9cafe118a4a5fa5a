#ifndef MORVANE_FORMULA_ATOMCOUNTS_H
#define MORVANE_FORMULA_ATOMCOUNTS_H

#include <deque>
#include <map>
#include <string>

#include "../elements/AtomIsoAbun.h"
#include "MolComposition.h"

namespace morvane {

// The atoms of a molecule as the front-ends' languages collect them, by key:
// a table symbol (C, Cl, C*), or an isotope label, keyed as its element
// symbol followed by the mass number in brackets (C[13] for 13C). The map's
// byte order is the composition's order: a label comes right after its
// element, where a hand-made labelled entry such as C* of a copied table
// also sorts, so that both give the same numbers.
using AtomCounts = std::map<std::string, long long>;

// The enrichment of isotope labels, by label key: the probability that a
// labelled atom is that isotope (0 < p <= 1). Labels not named are pure.
using Enrichment = std::map<std::string, double>;

// The key of the label of mass number `massNumber` of element `symbol`.
std::string LabelKey(const std::string& symbol, int massNumber);
// True for a label key; then `symbol` and `massNumber` are its parts.
bool SplitLabelKey(const std::string& key, std::string& symbol, int& massNumber);

// The record of `symbol` in `table`, or null.
const AtomIsoAbun* FindElement(const std::deque<AtomIsoAbun>& table, const std::string& symbol);

// The mass of the isotope of mass number `massNumber` of `element`: the
// table's entry whose mass rounds to it, else the built-in mass of the two
// radioactive labels in common use (3H, 14C). False when there is neither.
bool LabelMass(const AtomIsoAbun& element, int massNumber, double& mass);

// Reads a label as written in text, "13C" or "[13C]", into its key; false
// when the text is no label.
bool LabelKeyOf(const std::string& text, std::string& key);
// The label of a key as written in formulas: [13C].
std::string LabelText(const std::string& key);

// Reads "13C=0.99" into `enrichment`; false with the reason.
bool ParseEnrichment(const std::string& text, Enrichment& enrichment, std::string& reason);
// Checks that each label of `enrichment` names an isotope the table can
// give, with a value in (0, 1]; false with the reason.
bool CheckEnrichment(const Enrichment& enrichment, const std::deque<AtomIsoAbun>& table, std::string& reason);

// Adds n atoms of `key` to `counts`; false when a count leaves the range of
// int (in either direction).
bool AddAtoms(AtomCounts& counts, const std::string& key, long long n);

// The composition of `counts` (every count 0 to INT_MAX, else refused;
// every key resolvable in `table`): one entry per key in the map's order, a copy of the table's
// record for a symbol and a derived record for a label: that one isotope,
// pure, or with its enrichment, the other isotopes sharing the rest in
// their natural proportions. The charge is kept. Returns 0, or 2 with the
// reason.
int MakeComposition(const AtomCounts& counts, const std::deque<AtomIsoAbun>& table, const Enrichment* enrichment,
                    MolComposition& comp, std::string& reason);

// The formula of `counts` in the map's order, labels in brackets, counts
// of 1 left out: parsing it gives the same counts.
std::string CanonicalFormula(const AtomCounts& counts);

}  // namespace morvane

#endif
