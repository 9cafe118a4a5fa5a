"""Isotope patterns of molecules, from Python.

morvane works out every isotopic variant of a molecule that matters, by
J. A. Yergey's multinomial method, merges variants closer together than a
mass spectrometer could tell apart, and gives the peaks: position (mass in u,
or m/z) and abundance. The numbers are those of the ``morvane`` command, bit
for bit: this package wraps the same C++ library.

>>> import morvane
>>> p = morvane.pattern("C6H12O6")
>>> p.mass, p.abundance
"""

from ._core import CalculationError, FormulaError, TableError
from ._pattern import Pattern, pattern, patterns
from ._table import Element, IsotopeTable

__all__ = [
    "CalculationError",
    "Element",
    "FormulaError",
    "IsotopeTable",
    "Pattern",
    "TableError",
    "pattern",
    "patterns",
]
