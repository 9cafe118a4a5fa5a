#ifndef MORVANE_FORMULA_MOLCOMPOSITION_H
#define MORVANE_FORMULA_MOLCOMPOSITION_H

#include <istream>
#include <ostream>

#include "../elements/AtomIsoAbun.h"

namespace morvane {

// A molecule: its distinct elements, each an owned copy of the element record
// with its atom count, and its charge in elementary charges.
class MolComposition {
public:
    int totalnat;
    AtomIsoAbun* atom;
    int* nat;
    int charge;

    MolComposition();
    // A negative n makes a composition of no entries.
    explicit MolComposition(int n);
    MolComposition(const MolComposition& c);
    MolComposition& operator=(const MolComposition& c);
    virtual ~MolComposition();

    // Discards the entries and makes n new ones; keeps the charge. A negative
    // n changes nothing.
    void Settotalnat(int n);

private:
    void Free();
    void CopyFrom(const MolComposition& c);
};

std::ostream& operator<<(std::ostream& os, MolComposition& c);
// Reads the form written by operator<<. A failed read leaves the stream failed
// and the composition valid.
std::istream& operator>>(std::istream& is, MolComposition& c);

}  // namespace morvane

#endif
