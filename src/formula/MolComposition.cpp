#include "formula/MolComposition.h"

#include <algorithm>
#include <vector>

namespace morvane {

MolComposition::MolComposition() : totalnat(0), atom(nullptr), nat(nullptr), charge(0) {}

MolComposition::MolComposition(int n) : totalnat(0), atom(nullptr), nat(nullptr), charge(0)
{
    Settotalnat(n);
}

MolComposition::MolComposition(const MolComposition& c) : totalnat(0), atom(nullptr), nat(nullptr), charge(0)
{
    CopyFrom(c);
}

MolComposition& MolComposition::operator=(const MolComposition& c)
{
    if (this != &c) {
        Free();
        CopyFrom(c);
    }
    return *this;
}

MolComposition::~MolComposition() { Free(); }

void MolComposition::Free()
{
    delete[] nat;
    nat = nullptr;
    delete[] atom;
    atom = nullptr;
    totalnat = 0;
}

void MolComposition::CopyFrom(const MolComposition& c)
{
    charge = c.charge;
    Settotalnat(c.totalnat);
    for (int i = 0; i < totalnat; ++i) {
        nat[i] = c.nat[i];
        atom[i] = c.atom[i];
    }
}

void MolComposition::Settotalnat(int n)
{
    if (n < 0) return;
    Free();
    atom = new AtomIsoAbun[n];
    nat = new int[n];
    totalnat = n;
}

std::ostream& operator<<(std::ostream& os, MolComposition& c)
{
    os << c.totalnat << '\n' << c.charge << '\n';
    for (int i = 0; i < c.totalnat; ++i) os << c.nat[i] << '\n' << c.atom[i];
    return os;
}

std::istream& operator>>(std::istream& is, MolComposition& c)
{
    c.Settotalnat(0);
    int n = 0, charge = 0;
    if (!(is >> n >> charge)) return is;
    if (n < 0) {
        is.setstate(std::ios::failbit);
        return is;
    }
    // Entries are collected as they are read: memory follows the input,
    // never a count that the input does not back.
    std::vector<int> counts;
    std::vector<AtomIsoAbun> atoms;
    for (int i = 0; i < n; ++i) {
        int count = 0;
        AtomIsoAbun a;
        if (!(is >> count >> a)) return is;
        counts.push_back(count);
        atoms.push_back(a);
    }
    MolComposition r(n);
    r.charge = charge;
    std::copy(counts.begin(), counts.end(), r.nat);
    std::copy(atoms.begin(), atoms.end(), r.atom);
    c = r;
    return is;
}

}  // namespace morvane
