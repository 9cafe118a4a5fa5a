"""The isotope table: per element a symbol, an element number and isotope entries."""

import collections.abc
import os
import threading
from typing import NamedTuple

import numpy as np

from . import _core


class Element(NamedTuple):
    """One element of an isotope table.

    ``symbol`` is the element symbol as formulas write it, ``number`` the
    element number the table gives, ``masses`` the isotope masses (u) and
    ``abundances`` their abundances (fractions), both read-only float64 arrays
    in the table's order: decreasing abundance.
    """

    symbol: str
    number: int
    masses: np.ndarray
    abundances: np.ndarray


class IsotopeTable(collections.abc.Mapping):
    """An isotope table: a read-only mapping from element symbol to :class:`Element`.

    ``IsotopeTable()`` reads the table that the ``morvane`` command reads
    without a table argument: ``morvanetable.txt`` in the current folder if
    there is one, else the installed table (``share/morvane`` of the
    prefix), else, for a package in the build folder, the source tree's.
    ``IsotopeTable(path)`` reads the given file (a ``str`` or an
    ``os.PathLike``). A file that cannot be read or is malformed raises
    :class:`morvane.TableError` naming the line and the word.

    ``IsotopeTable(elements)`` builds a table from a dict
    ``{symbol: [(mass, abundance), ...]}`` (element numbers 0), or
    ``{symbol: (number, [(mass, abundance), ...])}``; its ``path`` is None.
    The elements are written out as a table file and read by the same
    reader, one element per line in the dict's order: the same checks
    (symbols, numbers, abundances from 0 to 1 summing to at most 1.001, each
    symbol once) and the same sorting of the entries by decreasing abundance.

    Iteration gives the symbols in file order. Tables pickle with their
    contents, so a table passes to other processes without its file; a
    pickle is read back through the same checks.
    """

    def __init__(self, path=None):
        if isinstance(path, collections.abc.Mapping):
            self.path = None
            self._table = _core.Table.from_state(_element_states(path))
        else:
            if path is None:
                path = _core.default_table_path(os.path.dirname(os.path.abspath(__file__)))
            elif not isinstance(path, (str, os.PathLike)):
                raise TypeError(f"IsotopeTable takes a path or a dict of elements, not {type(path).__name__}")
            self.path = os.fspath(path)
            if not isinstance(self.path, str):
                raise TypeError("IsotopeTable takes a path as str, not bytes")
            if "\0" in self.path:
                raise ValueError("the path of an isotope table holds a NUL character")
            # The file system's bytes: a name os.fsdecode could not decode
            # keeps its surrogates, which os.fsencode turns back into them.
            self._table = _core.Table(os.fsencode(self.path))
        self._index = self._make_index()

    def _make_index(self):
        return {self._table.element(i)[0]: i for i in range(len(self._table))}

    def __getstate__(self):
        return {"path": self.path, "table": self._table}

    def __setstate__(self, state):
        self.path = state["path"]
        self._table = state["table"]
        self._index = self._make_index()

    def __getitem__(self, symbol):
        symbol, number, masses, abundances = self._table.element(self._index[symbol])
        masses.flags.writeable = False
        abundances.flags.writeable = False
        return Element(symbol, number, masses, abundances)

    def __iter__(self):
        return iter(self._index)

    def __len__(self):
        return len(self._index)

    @property
    def symbols(self):
        """The element symbols, in file order."""
        return list(self._index)

    def __repr__(self):
        source = "from a dict" if self.path is None else repr(self.path)
        return f"IsotopeTable({source}: {len(self)} elements)"


def _element_states(elements):
    """(symbol, number, masses, abundances) for each entry of a dict of elements."""
    states = []
    for symbol, value in elements.items():
        if not isinstance(symbol, str):
            raise TypeError(f"element symbols are str, not {type(symbol).__name__}")
        number, isotopes = 0, value
        if isinstance(value, tuple) and len(value) == 2 and isinstance(value[0], int):
            number, isotopes = value
        try:
            pairs = [(float(mass), float(abundance)) for mass, abundance in isotopes]
        except (TypeError, ValueError):
            raise TypeError(f"element {symbol}: isotopes are (mass, abundance) pairs of numbers") from None
        states.append((symbol, number, [m for m, _ in pairs], [a for _, a in pairs]))
    return states


_default = None
_default_lock = threading.Lock()


def default_table():
    """The default table, read once per process and shared by every call that gives no table."""
    global _default
    with _default_lock:
        if _default is None:
            _default = IsotopeTable()
        return _default
