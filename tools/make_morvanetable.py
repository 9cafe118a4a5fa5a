#!/usr/bin/python3
"""Writes morvane's default isotope table from the NIST "Atomic Weights and
Isotopic Compositions" data as shipped by Debian's python3-periodictable.

Every element with at least one naturally occurring isotope (abundance above
0) is written as: symbol, atomic number, then one line per natural isotope
with its exact mass in u and its abundance as a fraction. The source gives
abundances in percent; they are divided by 100 in decimal arithmetic so that
the fraction is written exactly as the published figure.

Usage: tools/make_morvanetable.py > morvanetable.txt
"""
from decimal import Decimal

import periodictable


def natural_isotopes(element):
    return [iso for iso in element if iso.abundance > 0]


def main():
    for element in periodictable.elements:
        if element.number == 0:
            continue
        isotopes = natural_isotopes(element)
        if not isotopes:
            continue
        print(f"{element.symbol} {element.number}")
        for iso in isotopes:
            fraction = Decimal(repr(iso.abundance)) / 100
            print(f"{iso.mass!r} {fraction.normalize():f}")


if __name__ == "__main__":
    main()
