"""Isotope patterns: the calculation calls and the pattern object."""

import math
import operator

import numpy as np

from . import _core
from ._core import FormulaError
from ._adduct import adduct_for
from ._table import IsotopeTable, default_table

# Peak profile grid of plot(): steps per peak width, margin in widths beyond
# the outer peaks, and the bounds of the number of points (as morvane-plot).
_STEPS_PER_WIDTH = 8
_MARGIN_WIDTHS = 4
_MIN_POINTS, _MAX_POINTS = 200, 20000


class Pattern:
    """The isotope pattern of one molecule.

    ``mass`` holds the peak positions (mass in u, or m/z when the pattern was
    calculated with ``mz=True``) and ``abundance`` the peak heights
    (probabilities, or percent of the largest peak when normalised), both
    float64 arrays in the order morvane prints the peaks: ascending mass
    (descending m/z for a negative charge). ``formula``, ``charge``, ``mz``
    and ``adduct`` (the ion's notation, or "") record what was calculated.

    A pattern seen at a resolution (:meth:`centroids`, or :func:`pattern`
    with ``resolution`` or ``fwhm``) holds the centroids as its peaks;
    ``resolution`` then names the instrument as (law, value, reference m/z),
    such as ``("orbitrap", 60000.0, 200.0)``, and ``variants`` is the
    pattern of the variants under the centroids. Otherwise both are None.

    ``len(p)`` is the number of peaks; iterating gives (position, abundance)
    pairs. Patterns pickle.
    """

    __slots__ = ("formula", "charge", "mz", "mass", "abundance", "adduct", "resolution", "variants")

    def __init__(self, mass, abundance, formula="", charge=0, mz=False, adduct="", resolution=None, variants=None):
        self.mass = np.asarray(mass, dtype=np.float64)
        self.abundance = np.asarray(abundance, dtype=np.float64)
        self.formula = formula
        self.charge = charge
        self.mz = mz
        self.adduct = adduct
        self.resolution = resolution
        self.variants = variants

    def __len__(self):
        return len(self.mass)

    def __iter__(self):
        return zip(self.mass.tolist(), self.abundance.tolist())

    def __repr__(self):
        unit = "m/z" if self.mz else "u"
        where = f" from {self.mass[0]:.4f} to {self.mass[-1]:.4f} {unit}" if len(self) else ""
        return f"<Pattern {self._name()} charge {self.charge}: {len(self)} peaks{where}>"

    def centroids(self, resolution=None, analyzer="orbitrap", at=None, fwhm=None, floor=1e-6):
        """The peaks as an instrument of that resolution reports them, as a :class:`Pattern`.

        ``resolution`` is the resolving power R0 at the m/z ``at`` (default
        200 for ``analyzer="orbitrap"``, 400 for ``"fticr"``; ``"tof"`` has
        one R everywhere); it may also be written ``"120000@200"``. ``fwhm``
        instead gives one peak width everywhere. The profile (see
        :meth:`profile`) has a centroid at each local maximum of at least
        ``floor`` times the largest, placed at the top of the Gaussian through
        its three highest points, with the summed abundance of this
        pattern's peaks between the minima around it. For the fine structure
        calculate the pattern with a small ``merge``, or let
        :func:`pattern` choose it by giving it the resolution.
        """
        instrument = _instrument(resolution, analyzer, at, fwhm)
        if instrument is None:
            raise ValueError("give resolution or fwhm")
        floor = _real(floor, "centroid floor must be between 0 and 1")
        mass, abundance = _core.centroids(self.mass, self.abundance, _core.Resolution(*instrument), floor)
        return Pattern(mass, abundance, self.formula, self.charge, self.mz, self.adduct, instrument, self)

    def profile(self, x=None, fwhm=None, resolution=None, analyzer="orbitrap", at=None):
        """The profile an instrument would record of the peaks.

        With positions ``x`` and a peak width ``fwhm``: each peak a Gaussian
        of full width at half maximum ``fwhm`` whose area is the peak's
        abundance, summed at each position, as a float64 array of the shape
        of ``x`` (the library's ``GaussianList``).

        Without ``x``: the profile at a resolution (keywords as
        :meth:`centroids`; by default this pattern's own ``resolution``) as
        two float64 arrays ``(x, intensity)``: one Gaussian per peak, of the
        local width and as high as its abundance, sampled at least 10 times
        per width from 4 widths below the lightest peak to 4 above the
        heaviest. A pattern of centroids gives the profile of its variants.
        """
        if x is not None:
            if resolution is not None:
                raise ValueError("a profile at given positions takes fwhm, not resolution")
            return _core.profile(self.mass, self.abundance, float(fwhm), np.asarray(x, dtype=np.float64))
        instrument = _instrument(resolution, analyzer, at, fwhm) or self.resolution
        if instrument is None:
            raise ValueError("give resolution or fwhm")
        return self._resolved_profile(instrument)

    def to_pandas(self):
        """The peaks as a pandas DataFrame with the columns ``mass`` and ``abundance``."""
        import pandas

        return pandas.DataFrame({"mass": self.mass, "abundance": self.abundance})

    def plot(self, ax=None, fwhm=None, resolution=None, analyzer="orbitrap", at=None):
        """Draws the peaks as sticks on a matplotlib axis and returns the axis.

        ``ax`` defaults to the current axis of pyplot. With a peak width
        ``fwhm`` (in the units of the positions), or a resolution (keywords
        as :meth:`centroids`; by default this pattern's own), the profile of
        :meth:`profile` is drawn as well, in the colour of the sticks, scaled
        so that its highest point is as high as the largest stick. Several
        patterns drawn on one axis take the axis's successive colours.
        """
        if ax is None:
            import matplotlib.pyplot as plt

            ax = plt.gca()
        label = self._name() if self.charge == 0 or self.adduct else f"{self.formula}, charge {self.charge}"
        sticks_x = np.repeat(self.mass, 3)
        sticks_y = np.column_stack([np.zeros(len(self)), self.abundance, np.full(len(self), np.nan)]).ravel()
        sticks_x[2::3] = np.nan
        (sticks,) = ax.plot(sticks_x, sticks_y, label=label)
        instrument = _instrument(resolution, analyzer, at, None) or (self.resolution if fwhm is None else None)
        if instrument is not None and len(self):
            x, y = self._resolved_profile(instrument)
            if y.max() > 0:
                ax.plot(x, y * (self.abundance.max() / y.max()), color=sticks.get_color(), linewidth=0.8)
        elif fwhm is not None and len(self):
            x = self._profile_grid(float(fwhm))
            y = self.profile(x, fwhm)
            if y.max() > 0:
                ax.plot(x, y * (self.abundance.max() / y.max()), color=sticks.get_color(), linewidth=0.8)
        ax.set_xlabel("m/z" if self.mz else "mass (u)")
        ax.set_ylabel("abundance")
        return ax

    def _resolved_profile(self, instrument):
        seen = self.variants if self.variants is not None else self
        return _core.resolved_profile(seen.mass, seen.abundance, _core.Resolution(*instrument))

    def _name(self):
        return f"{self.formula} {self.adduct}" if self.adduct else self.formula

    def _profile_grid(self, fwhm):
        if not (fwhm > 0 and math.isfinite(fwhm)):
            raise ValueError("peak width must be > 0")
        low = self.mass.min() - _MARGIN_WIDTHS * fwhm
        high = self.mass.max() + _MARGIN_WIDTHS * fwhm
        points = int(min(_MAX_POINTS, max(_MIN_POINTS, (high - low) / fwhm * _STEPS_PER_WIDTH)))
        return np.linspace(low, high, points)


def _integer(value, message):
    try:
        return operator.index(value)
    except TypeError:
        raise ValueError(message) from None


def _charge(value):
    charge = _integer(value, "charge must be integer")
    if not -(2**31) <= charge < 2**31:
        raise ValueError("charge must be a 32-bit integer")
    return charge


def _real(value, message):
    try:
        return float(value)
    except (TypeError, ValueError):
        raise ValueError(message) from None


_ANALYZERS = ("tof", "orbitrap", "fticr")


def _instrument(resolution, analyzer, at, fwhm):
    """(law, value, reference) of the resolution keywords, or None when neither resolution nor fwhm is given."""
    if fwhm is not None:
        if resolution is not None or at is not None:
            raise ValueError("fwhm is a resolution of its own: leave out resolution and at")
        return ("fwhm", _real(fwhm, "peak width must be > 0"), None)
    if resolution is None:
        if at is not None:
            raise ValueError("at needs resolution")
        return None
    if analyzer not in _ANALYZERS:
        raise ValueError("analyzer must be tof, orbitrap or fticr")
    if isinstance(resolution, str) and "@" in resolution:
        if at is not None:
            raise ValueError("give the reference m/z either in resolution or as at")
        resolution, at = resolution.split("@", 1)
    power = _real(resolution, "resolution must be > 0")
    reference = None if at is None else _real(at, "reference m/z must be > 0")
    checked = _core.Resolution(analyzer, power, reference)
    return (analyzer, power, None if analyzer == "tof" else checked.reference)


def _settings(charge, mz, threshold, merge, normalize, filter, instrument=None):
    """The library's settings from the keywords of pattern() and patterns()."""
    s = _core.Settings()
    s.charge = _charge(charge)
    s.masstocharge = bool(mz)
    s.threshold = _real(threshold, "threshold must be between 0 and 1")
    s.merge_given = merge is not None
    s.merge = 0.1 if merge is None else _real(merge, "peak merge must be >= 0")
    s.normalize = bool(normalize)
    s.filter = _real(filter, "filter must be between 0 and 100")
    if instrument is not None:
        s.resolution = _core.Resolution(*instrument)
    return s


def _library_table(table):
    if table is None:
        return default_table()._table
    if not isinstance(table, IsotopeTable):
        raise TypeError(f"table must be an IsotopeTable, not {type(table).__name__}")
    return table._table


def _with_adduct(settings, adduct, table):
    """Makes the settings those of the ion ``adduct`` (text or :class:`Adduct`)."""
    if settings.charge != 0 or settings.masstocharge:
        raise ValueError("an adduct sets the charge; leave out charge and mz")
    parsed = adduct_for(adduct, table)
    settings.adduct = parsed._adduct
    settings.charge = parsed.charge
    settings.masstocharge = True


def _prepared(table, charge, mz, threshold, merge, normalize, filter, adduct, instrument):
    """The library's table and settings of the keywords of pattern() and patterns(), and the instrument."""
    settings = _settings(charge, mz, threshold, merge, normalize, filter, instrument)
    library_table = _library_table(table)
    if adduct is not None:
        _with_adduct(settings, adduct, table)
    return library_table, settings, instrument


def _language(table, sequence, enrichment, fixed):
    """The library's Language of these keywords, or None for plain formulas."""
    if not sequence and not enrichment and not fixed:
        return None
    if fixed and not sequence:
        raise ValueError("fixed modifications need sequences")
    if isinstance(fixed, str):
        fixed = [fixed]
    return _core.Language(table, bool(sequence), dict(enrichment or {}), list(fixed or ()))


def _sequence_charge(table, text, language):
    """The charge of a sequence's suffix (/2), 0 without one or for a text that fails (the calculation says why)."""
    try:
        return _core.formula_of(table, text, language)[2]
    except FormulaError:
        return 0


def formula_of(formula=None, table=None, sequence=None, fixed=None):
    """The atoms of a formula, or of a ProForma ``sequence``, and its canonical formula.

    Returns ``(atoms, text)``: ``atoms`` a dict from element symbol (or
    isotope label such as ``"13C"``) to count, ``text`` the formula written
    out in the order the calculation uses, labels in brackets
    (``formula_of("CuSO4.5H2O")`` gives ``({"Cu": 1, "H": 10, "O": 9, "S": 1},
    "CuH10O9S")``). A sequence's charge suffix counts as that many protons
    (H). Raises :class:`FormulaError` with the reason and its position.
    """
    if (formula is None) == (sequence is None):
        raise TypeError("give either a formula or a sequence")
    library_table = _library_table(table)
    language = _language(library_table, sequence is not None, None, fixed) or _core.Language(
        library_table, False, {}, []
    )
    atoms, text, _ = _core.formula_of(library_table, formula if sequence is None else sequence, language)
    return atoms, text


def _wrap(peaks, formula, settings, instrument=None, ion_charge=0):
    adduct = settings.adduct.text if settings.adduct is not None else ""
    charge, mz = (ion_charge, True) if ion_charge else (settings.charge, settings.masstocharge)
    if instrument is None:
        return Pattern(peaks[0], peaks[1], formula, charge, mz, adduct)
    variants = Pattern(peaks[2], peaks[3], formula, charge, mz, adduct)
    return Pattern(peaks[0], peaks[1], formula, charge, mz, adduct, instrument, variants)


def pattern(
    formula=None,
    table=None,
    charge=0,
    mz=False,
    threshold=1e-3,
    merge=None,
    normalize=False,
    filter=0.0,
    adduct=None,
    resolution=None,
    analyzer="orbitrap",
    at=None,
    fwhm=None,
    sequence=None,
    enrichment=None,
    fixed=None,
):
    """The isotope pattern of one molecule, as ``morvane`` calculates it.

    formula
        element symbols with optional counts, as on morvane's command line
        (``"C6H12O6"``, ``"CH3CH2OH"``), and beyond it groups, hydrates and
        isotope labels (``"Ca(OH)2"``, ``"CuSO4.5H2O"``, ``"[13C]6H12O6"``,
        ``"D2O"``).
    table
        an :class:`IsotopeTable`; by default morvane's default table.
    charge
        charge of the ion: every mass is lowered by charge times the electron
        mass (morvane's ``-z``).
    mz
        positions are mass divided by the signed charge (``-mtz``).
    threshold
        probability threshold relative to the most probable variant found so
        far, 0 to 1 (``-t``).
    merge
        variants at most this far apart are merged into one peak, in the units
        of the positions (``-r``); by default 0.1, or with a resolution a
        fiftieth of the narrowest peak width (the fine structure).
    normalize
        the largest peak becomes 100 (``-n``).
    filter
        normalise, then keep the peaks of at least this percentage of the
        largest, 0 to 100 (``-f``).
    adduct
        the ion to calculate instead of the molecule, as text (``"[M+H]+"``,
        ``"[M+2H]2+"``, ``"[M-H]-"``) or an :class:`Adduct`. It sets the
        charge and positions are m/z, so ``charge`` and ``mz`` stay unset.
    resolution, analyzer, at, fwhm
        the instrument, as for :meth:`Pattern.centroids`: the peaks are then
        the centroids it reports (normalised and filtered after), as
        ``morvane-batch --resolution`` gives them.
    sequence
        a peptide in ProForma notation instead of a formula
        (``"PEM[Oxidation]K/2"``); a charge suffix sets the charge and
        positions are m/z.
    enrichment
        the labels' enrichment, as ``{"13C": 0.99}``: each labelled atom is
        that isotope with this probability, the element's other isotopes
        sharing the rest in their natural proportions. Labels are pure
        without it.
    fixed
        fixed modifications of a sequence, as ``["Carbamidomethyl@C"]``.

    Returns a :class:`Pattern` whose numbers equal ``morvane -p 17``'s table
    for the same settings (with an adduct, for the ion's formula written out
    and ``-mtz`` with its charge). Raises :class:`FormulaError` for a formula
    that does not parse or an adduct that removes atoms the molecule lacks,
    :class:`AdductError` for adduct text that does not parse, ``ValueError``
    with morvane's message for a bad setting, and :class:`CalculationError`
    for a pattern that cannot be calculated.
    """
    if (formula is None) == (sequence is None):
        raise TypeError("give either a formula or a sequence")
    text = formula if sequence is None else sequence
    library_table, settings, instrument = _prepared(
        table, charge, mz, threshold, merge, normalize, filter, adduct, _instrument(resolution, analyzer, at, fwhm)
    )
    language = _language(library_table, sequence is not None, enrichment, fixed)
    settings.language = language
    ion_charge = _sequence_charge(library_table, text, language) if sequence is not None else 0
    return _wrap(_core.calculate(library_table, text, settings), text, settings, instrument, ion_charge)


def patterns(
    formulas,
    table=None,
    charge=0,
    mz=False,
    threshold=1e-3,
    merge=None,
    normalize=False,
    filter=0.0,
    threads=0,
    errors="raise",
    adduct=None,
    resolution=None,
    analyzer="orbitrap",
    at=None,
    fwhm=None,
    sequences=False,
    enrichment=None,
    fixed=None,
):
    """The isotope patterns of many molecules, calculated on several threads.

    ``formulas`` is an iterable of formula strings, or of ProForma sequences
    with ``sequences=True``; the settings (``adduct``, ``enrichment`` and
    ``fixed`` included) are those of :func:`pattern` and apply to every formula. ``threads`` is the number
    of threads (0: one per core); the calculation releases the GIL.

    Returns a list of :class:`Pattern` in the order of ``formulas``. A
    formula that fails raises its exception (the first failure in input
    order) when ``errors="raise"``; with ``errors="return"`` its exception
    object stands in its place in the list.
    """
    if errors not in ("raise", "return"):
        raise ValueError('errors must be "raise" or "return"')
    threads = _integer(threads, "threads must be an integer >= 0")
    if threads < 0:
        raise ValueError("threads must be an integer >= 0")
    formulas = list(formulas)
    library_table, settings, instrument = _prepared(
        table, charge, mz, threshold, merge, normalize, filter, adduct, _instrument(resolution, analyzer, at, fwhm)
    )
    language = _language(library_table, sequences, enrichment, fixed)
    settings.language = language
    results, failure = _core.calculate_many(library_table, formulas, settings, threads, Pattern, instrument)
    if failure is not None and errors == "raise":
        raise failure
    if sequences:
        for formula, result in zip(formulas, results):
            ion_charge = 0 if isinstance(result, Exception) else _sequence_charge(library_table, formula, language)
            if ion_charge:
                for p in (result, result.variants):
                    if p is not None:
                        p.charge, p.mz = ion_charge, True
    return results
