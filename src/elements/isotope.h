#ifndef MORVANE_ELEMENTS_ISOTOPE_H
#define MORVANE_ELEMENTS_ISOTOPE_H

namespace morvane {

// One isotope entry of an element (mass in u, abundance as a fraction), and
// equally one peak of a spectrum (position, height).
struct isotope {
    double mass;
    double abundance;

    // Left uninitialised on purpose: arrays of entries are filled slot by slot.
    isotope() {}
    isotope(double m, double a) : mass(m), abundance(a) {}
};

}  // namespace morvane

#endif
