"""Ions as mass spectrometrists write them: [M+H]+, [M-H]-, [2M+Na]+, [M+2H]2+."""

from . import _core
from ._table import IsotopeTable, default_table


class AdductError(ValueError):
    """An adduct that does not parse; the message says what is wrong and where."""


class Adduct:
    """An ion of a molecule in the notation ``[nM+A-B...]z+``.

    The molecule ``M`` taken ``n`` times (``M``, ``2M``), then any number of
    groups added or removed, each an optional count and a formula (``+H``,
    ``+Na``, ``+NH4``, ``-H2O``, ``+2H``, ``+HCOO``), then the charge (``+``,
    ``-``, ``2+``, ``3-``). No spaces inside. ``Adduct(text)`` parses against
    morvane's default table, ``Adduct(text, table)`` against an
    :class:`IsotopeTable`; text that does not parse raises
    :class:`AdductError` with the reason and its position.

    ``multiple`` is n, ``charge`` the ion's charge, ``added`` and ``removed``
    the atoms the groups add and remove per element symbol, and ``change``
    their difference (elements whose count changes). The ion of a molecule is
    n times its atoms plus the added and minus the removed ones, charged
    ``charge``; its pattern, from :func:`pattern` with ``adduct=``, is that of
    the ion's formula written out, in m/z. Adducts pickle.
    """

    __slots__ = ("table", "_adduct")

    def __init__(self, text, table=None):
        if table is not None and not isinstance(table, IsotopeTable):
            raise TypeError(f"table must be an IsotopeTable, not {type(table).__name__}")
        self.table = default_table() if table is None else table
        try:
            self._adduct = _core.Adduct(self.table._table, str(text))
        except ValueError as error:
            raise AdductError(f"{text}: {error}") from None

    def __reduce__(self):
        return (Adduct, (self.text, self.table))

    @property
    def text(self):
        """The adduct as written."""
        return self._adduct.text

    @property
    def multiple(self):
        """How many molecules the ion holds."""
        return self._adduct.multiple

    @property
    def charge(self):
        """The ion's charge, positive or negative, never 0."""
        return self._adduct.charge

    @property
    def added(self):
        """Atoms added by the groups, as a dict from element symbol to count."""
        return dict(self._adduct.added)

    @property
    def removed(self):
        """Atoms removed by the groups, as a dict from element symbol to count."""
        return dict(self._adduct.removed)

    @property
    def change(self):
        """Atoms added minus removed, per element symbol, leaving out those that cancel."""
        added, removed = self.added, self.removed
        net = {s: added.get(s, 0) - removed.get(s, 0) for s in sorted(added.keys() | removed.keys())}
        return {s: n for s, n in net.items() if n != 0}

    def __repr__(self):
        change = " ".join(f"{s}{n:+d}" for s, n in self.change.items()) or "no atoms"
        molecules = "M" if self.multiple == 1 else f"{self.multiple} M"
        return f"<Adduct {self.text}: {molecules}, {change}, charge {self.charge:+d}>"


def adduct_for(adduct, table):
    """The adduct parsed against ``table`` (None: the default table): text,
    or an :class:`Adduct` of another table, is parsed anew."""
    if table is None:
        table = default_table()
    if isinstance(adduct, Adduct) and adduct.table is table:
        return adduct
    return Adduct(adduct.text if isinstance(adduct, Adduct) else adduct, table)
