#ifndef MORVANE_ELEMENTS_ATOMISOABUN_H
#define MORVANE_ELEMENTS_ATOMISOABUN_H

#include <istream>
#include <ostream>

#include "isotope.h"

namespace morvane {

// Comparator in qsort's form: higher abundance first; equal or NaN
// abundances compare 0.
int comp_isotope_abundance(const void* a, const void* b);

// One element: its symbol, its element number and its isotope entries, which
// the record owns. Records compare by symbol alone. Table symbols have at
// most 3 characters; the records that the front-ends derive for isotope
// labels are named by up to 7 (C[13], Pb[204]).
class AtomIsoAbun {
public:
    int niso;
    int elnum;
    char symbol[8];
    isotope* iso;

    AtomIsoAbun();
    // A negative count makes a record of no entries.
    AtomIsoAbun(int elnum, int niso);
    AtomIsoAbun(const AtomIsoAbun& a);
    AtomIsoAbun& operator=(const AtomIsoAbun& a);
    virtual ~AtomIsoAbun();

    bool operator<(const AtomIsoAbun& a) const;
    bool operator==(const AtomIsoAbun& a) const;

    // Replaces the entries by n unset ones; a negative n changes nothing.
    void Setniso(int n);
    int Getniso();
    // Puts the entries in decreasing order of abundance; entries of equal
    // abundance keep their order (a stable sort).
    void Sort_abundance();

    // Copies at most 3 bytes of s into symbol, always NUL-terminated.
    void SetSymbol(const char* s);

private:
    void CopyFrom(const AtomIsoAbun& a);
};

std::ostream& operator<<(std::ostream& os, AtomIsoAbun& a);
// Reads the form written by operator<<. A failed read (a symbol word longer
// than 3 characters, a negative count, any unreadable number) leaves the
// stream failed and the record valid.
std::istream& operator>>(std::istream& is, AtomIsoAbun& a);

}  // namespace morvane

#endif
