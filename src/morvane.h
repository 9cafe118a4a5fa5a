#ifndef MORVANE_MORVANE_H
#define MORVANE_MORVANE_H

// The calculator library in one include: load an isotope table, then ask for
// the pattern of a formula (or of many), as the tools print it.
//
//   std::deque<morvane::AtomIsoAbun> table;
//   std::string reason;
//   morvane::LoadIsotopeTable(morvane::DefaultTablePath(bin), table, reason);
//   morvane::PatternResult r = morvane::CalculatePattern(table, "C6H12O6", {});

#include "calc/Pattern.h"
#include "elements/DefaultTable.h"
#include "formula/Adduct.h"
#include "match/Match.h"
#include "match/Mixture.h"
#include "match/MzFile.h"
#include "match/PeakListFile.h"
#include "resolution/Profile.h"

#endif
