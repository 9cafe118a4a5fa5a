#ifndef MORVANE_CALC_ISOCALC_H
#define MORVANE_CALC_ISOCALC_H

#include <deque>

#include "../core/Status.h"
#include "../elements/AtomIsoAbun.h"
#include "../engine/MolEnsemble.h"
#include "../formula/MolComposition.h"
#include "../spectrum/GaussianList.h"

namespace morvane {

// The calculator: owns the element table, the composition, the ensemble and
// the peak list, holds the settings and answers queries about the peaks.
// Every operation returns a status (named in core/Status.h):
//   0 success, 1 table file not read, 2 formula not parsed, 3 no table,
//   4 no composition, 5 no calculated peaks, 6 peak index out of range or
//   the generation's own failure, 7 setting refused.
// A setter that recalculates (auto-calculation on) stores its value and
// returns the recalculation's status. A null table name or formula is
// refused with 1 or 2.
class IsoCalc {
public:
    IsoCalc();
    explicit IsoCalc(char* unused);
    virtual ~IsoCalc();
    IsoCalc(const IsoCalc&) = delete;
    IsoCalc& operator=(const IsoCalc&) = delete;

    int ReadAtomTable(const char* filename);
    int SetComposition(char* formula);
    int Calculate();

    int SetCharge(int z);
    int SetThr(double t);
    int SetDegen(double d);
    int SetMassToCharge(bool b);
    int SetAutoCalc(bool b);
    int SetFwhm(double w);

    int GetThr(double& t);
    int GetDegen(double& d);
    int GetCharge(int& z);
    int GetAutoCalc(bool& b);
    int GetFwhm(double& w);

    int GetNPeaks(int& n);
    int Mass(int i, double& m);
    int Abundance(int i, double& a);
    int Peak(int i, double& m, double& a);
    int Normalize();
    int Intensity(double x, double& y);

private:
    double thr;
    double degen;
    std::deque<AtomIsoAbun> atomtable;
    MolComposition composition;
    MolEnsemble ensemble;
    GaussianList spectrum;
    bool tableloaded;
    bool compositionset;
    // Set by Normalize, cleared by each calculation; nothing reads it, kept for inspection in a debugger.
    bool normalized;
    bool calculated;
    bool autocalc;

    bool Ready() const { return tableloaded && compositionset; }
    int Recalculate();
};

}  // namespace morvane

#endif
