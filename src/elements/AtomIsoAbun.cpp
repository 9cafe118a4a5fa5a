#include "elements/AtomIsoAbun.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace morvane {

int comp_isotope_abundance(const void* a, const void* b)
{
    double d = static_cast<const isotope*>(b)->abundance - static_cast<const isotope*>(a)->abundance;
    if (d > 0) return 1;
    if (d < 0) return -1;
    return 0;
}

AtomIsoAbun::AtomIsoAbun() : niso(0), elnum(0), symbol{0, 0, 0, 0}, iso(nullptr) {}

AtomIsoAbun::AtomIsoAbun(int el, int n)
    : niso(n < 0 ? 0 : n), elnum(el), symbol{0, 0, 0, 0}, iso(new isotope[niso])
{
}

AtomIsoAbun::AtomIsoAbun(const AtomIsoAbun& a) : niso(0), elnum(0), symbol{0, 0, 0, 0}, iso(nullptr)
{
    CopyFrom(a);
}

AtomIsoAbun& AtomIsoAbun::operator=(const AtomIsoAbun& a)
{
    if (this != &a) CopyFrom(a);
    return *this;
}

AtomIsoAbun::~AtomIsoAbun() { delete[] iso; }

void AtomIsoAbun::CopyFrom(const AtomIsoAbun& a)
{
    isotope* entries = new isotope[a.niso];
    for (int i = 0; i < a.niso; ++i) entries[i] = a.iso[i];
    delete[] iso;
    iso = entries;
    niso = a.niso;
    elnum = a.elnum;
    std::memcpy(symbol, a.symbol, sizeof symbol);
}

bool AtomIsoAbun::operator<(const AtomIsoAbun& a) const { return std::strcmp(symbol, a.symbol) < 0; }

bool AtomIsoAbun::operator==(const AtomIsoAbun& a) const { return std::strcmp(symbol, a.symbol) == 0; }

void AtomIsoAbun::Setniso(int n)
{
    if (n < 0) return;
    isotope* entries = new isotope[n];
    delete[] iso;
    iso = entries;
    niso = n;
}

int AtomIsoAbun::Getniso() { return niso; }

void AtomIsoAbun::Sort_abundance()
{
    // Stable, so that entries of equal abundance (Xe-124 and Xe-126 in the
    // shipped table) keep the order of the table file on every platform;
    // qsort leaves their order open.
    std::stable_sort(iso, iso + niso,
                     [](const isotope& a, const isotope& b) { return comp_isotope_abundance(&a, &b) < 0; });
}

void AtomIsoAbun::SetSymbol(const char* s)
{
    std::strncpy(symbol, s, 3);
    symbol[3] = '\0';
}

std::ostream& operator<<(std::ostream& os, AtomIsoAbun& a)
{
    os << a.elnum << ' ' << a.symbol << '\n' << a.niso << '\n';
    for (int i = 0; i < a.niso; ++i) os << a.iso[i].mass << ' ' << a.iso[i].abundance << '\n';
    return os;
}

std::istream& operator>>(std::istream& is, AtomIsoAbun& a)
{
    a.Setniso(0);
    int elnum = 0, n = 0;
    std::string sym;
    if (!(is >> elnum >> sym >> n)) return is;
    if (sym.size() > 3 || n < 0) {
        is.setstate(std::ios::failbit);
        return is;
    }
    // Entries are collected as they are read: memory follows the input,
    // never a count that the input does not back.
    std::vector<isotope> entries;
    for (int i = 0; i < n; ++i) {
        isotope e(0.0, 0.0);
        if (!(is >> e.mass >> e.abundance)) return is;
        entries.push_back(e);
    }
    AtomIsoAbun r(elnum, n);
    r.SetSymbol(sym.c_str());
    std::copy(entries.begin(), entries.end(), r.iso);
    a = r;
    return is;
}

}  // namespace morvane
