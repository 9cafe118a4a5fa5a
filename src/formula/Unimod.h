#ifndef MORVANE_FORMULA_UNIMOD_H
#define MORVANE_FORMULA_UNIMOD_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Unimod's modifications that have a composition, compiled in from
// data/unimod.tsv (made from unimod.xml by tools/make_unimod_table.py;
// Unimod's data, under the Design Science License).

// One modification: its accession (UNIMOD:21), its name (Phospho) and the
// composition it adds in the grammar of ProForma's Formula: (HO3P,
// H-1N-1O, C-6[13C6]).
struct UnimodMod {
    int accession = 0;
    std::string name;
    std::string delta;
};

// Every modification, by accession (read once, on first use).
const std::vector<UnimodMod>& UnimodMods();

// The modification of `name` as search engines match it: the exact name,
// else the name ignoring (ASCII) case; of several, the lowest accession.
// Null when none.
const UnimodMod* FindUnimodName(std::string_view name);

// The modification of an accession written in decimal (the text after
// UNIMOD:); null when the text is no number or no modification has it.
const UnimodMod* FindUnimodAccession(std::string_view number);

// Up to `count` names nearest to `name` (edit distance, case ignored),
// nearest first; for the message on an unknown name. None for a name
// longer than CLOSEST_NAME_LENGTH, which is like no Unimod name (the
// longest has 39 characters) and is measured bit-parallel up to that length.
const std::size_t CLOSEST_NAME_LENGTH = 64;
std::vector<std::string> ClosestUnimodNames(std::string_view name, std::size_t count);

}  // namespace morvane

#endif
