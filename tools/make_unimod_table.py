#!/usr/bin/python3
"""Writes morvane's table of Unimod modifications from unimod.xml (Unimod's
own export, as shipped by Debian's openms-common in
/usr/share/openms/CHEMISTRY/unimod.xml).

Every Unimod modification whose delta has a composition is written as one line of
tab-separated fields: the accession (record_id), the name (title, the
PSI-MS name search engines write), the composition in the grammar of a
ProForma Formula: (C2H3NO, H-1N-1O, isotopes in brackets as [13C6]) and
Unimod's monoisotopic mass of the delta, kept to check the composition
against. Lines are ordered by accession.

Usage: tools/make_unimod_table.py /usr/share/openms/CHEMISTRY/unimod.xml \
    OPENMS_COMMON_VERSION > data/unimod.tsv
"""
import re
import sys
import xml.etree.ElementTree as ET

NS = {"umod": "http://www.unimod.org/xmlns/schema/unimod_2"}

HEADER = """\
# Unimod modifications: accession, name, composition of the delta (in the
# grammar of ProForma's Formula:), Unimod's monoisotopic mass of the delta.
# Made by tools/make_unimod_table.py from unimod.xml as shipped by Debian's
# openms-common {version}; a derivative of the Unimod database
# (https://www.unimod.org), selected and reformatted by the morvane
# developers in 2026: every modification with a composition, OpenMS's own
# entries (accessions from 99900) left out.
#
# Copyright (C) 2002-2006 Unimod; this information may be copied, distributed
# and/or modified under certain conditions, but it comes WITHOUT ANY
# WARRANTY; see the accompanying Design Science License (its text is in
# packaging/copyright, installed as the package's copyright file) for more
# details. Unimod's help page describes the database as free under this
# copyleft licence. This selection is not Unimod itself: it holds only the
# accession, name, composition and mass of each modification. It is
# distributed under the Design Science License; the rest of morvane, which
# compiles it in, under its own licence.
"""

# OpenMS adds entries of its own to the file it ships (CUSTOM0 to CUSTOM9,
# RNPXlink1 to 5, a few labels), numbered from 99900; they are not Unimod's
# and are left out.
OPENMS_ACCESSIONS = 99900

ISOTOPE = re.compile(r"^(\d+)([A-Z][a-z]?)$")
ELEMENT = re.compile(r"^[A-Z][a-z]?$")


def count_text(n):
    return "" if n == 1 else str(n)


def hill_key(symbol):
    """Carbon, then hydrogen, then the rest by symbol; isotopes beside their element."""
    isotope = ISOTOPE.match(symbol)
    element, mass = (isotope.group(2), int(isotope.group(1))) if isotope else (symbol, 0)
    return ({"C": 0, "H": 1}.get(element, 2), element, mass)


def composition(delta):
    """The delta's elements as Formula: text in Hill order; None without elements."""
    parts = []
    for e in sorted(delta.findall("umod:element", NS), key=lambda e: hill_key(e.get("symbol"))):
        symbol, n = e.get("symbol"), int(e.get("number"))
        if n == 0:
            continue
        isotope = ISOTOPE.match(symbol)
        if isotope:
            parts.append(f"[{isotope.group(1)}{isotope.group(2)}{count_text(n)}]")
        elif ELEMENT.match(symbol):
            parts.append(symbol + count_text(n))
        else:
            raise ValueError(f"unexpected symbol {symbol!r}")
    return "".join(parts) or None


def rows(root):
    for mod in root.find("umod:modifications", NS).findall("umod:mod", NS):
        name = mod.get("title")
        if any(c in name for c in '\t\n"\\'):
            raise ValueError(f"name {name!r} holds a character the table cannot carry")
        delta = mod.find("umod:delta", NS)
        text = composition(delta) if delta is not None else None
        accession = int(mod.get("record_id"))
        if text is not None and accession < OPENMS_ACCESSIONS:
            yield accession, name, text, delta.get("mono_mass")


def main():
    root = ET.parse(sys.argv[1]).getroot()
    version = sys.argv[2] if len(sys.argv) > 2 else ""
    sys.stdout.write(HEADER.format(version=version))
    for accession, name, text, mass in sorted(rows(root)):
        print(f"{accession}\t{name}\t{text}\t{mass}")


if __name__ == "__main__":
    main()
