"""Isotope patterns: the calculation calls and the pattern object."""

import math
import operator
import os

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
# Font size of the peak labels and notes, in points.
_LABEL_POINTS = 8
# Top of the percent axis, as morvane-plot's.
_PERCENT_TOP = 125
# The notes of which peaks carry labels: their gid, the gap between the frame
# and the first, and the step from one to the next, in points.
_NOTE_GID = "morvane-label-note"
_NOTE_GAP, _NOTE_STEP = 3, 11
# repr() shows this much of a formula, and its length beyond.
_REPR_NAME = 60


class Pattern:
    """The isotope pattern of one molecule.

    ``mass`` holds the peak positions (mass in u, or m/z when the pattern was
    calculated with ``mz=True``) and ``abundance`` the peak heights
    (probabilities, or percent of the largest peak when normalised), both
    float64 arrays in ascending order of position. m/z is mass divided by
    the magnitude of the charge, so a negative ion's m/z are positive (the
    magnitudes of what ``morvane -mtz`` prints). ``formula``, ``charge``,
    ``mz`` and ``adduct`` (the ion's notation, or "") record what was
    calculated.

    A pattern seen at a resolution (:meth:`centroids`, or :func:`pattern`
    with ``resolution`` or ``fwhm``) holds the centroids as its peaks;
    ``resolution`` then names the instrument as (law, value, reference m/z),
    such as ``("orbitrap", 60000.0, 200.0)``, and ``variants`` is the
    pattern of the variants under the centroids. Otherwise both are None.

    ``len(p)`` is the number of peaks; iterating gives (position, abundance)
    pairs, and so does indexing (``p[0]``, ``p[-1]``); a slice (``p[:3]``)
    is a pattern of those peaks. ``np.asarray(p)`` is the (n, 2) float64
    array of positions and abundances. ``==`` compares everything: the
    settings recorded and every number, bit for bit. Patterns pickle.

    What the pattern says about itself, from the library:

    ``coverage``
        the total probability of the variants kept, before normalising or
        filtering: 0.982 means the peaks leave out 1.8 % of the molecule.
        With nominal binning, the sum of the bins' probabilities.
    ``monoisotopic_mass``, ``average_mass``
        every atom as its most abundant isotope, and the abundance-weighted
        mean over the table's isotopes, in the units of the positions (for
        an ion: less its electrons, divided by the charge with m/z).
    ``nominal_mass``
        the integer mass of the neutral formula's most abundant isotopes.
    ``most_abundant``
        (position, abundance) of the largest peak.
    ``composition``
        with ``composition=True``, per peak (isotopes, share): the make-up of
        its most probable variant (``"13C2"``, ``"13C 15N"``, ``""`` for all
        atoms in their most abundant isotope) and its share of the peak;
        otherwise None.
    """

    __slots__ = (
        "formula",
        "charge",
        "mz",
        "mass",
        "abundance",
        "adduct",
        "coverage",
        "monoisotopic_mass",
        "average_mass",
        "nominal_mass",
        "most_abundant",
        "composition",
        "resolution",
        "variants",
    )

    __hash__ = None

    def __init__(self, mass, abundance, formula="", charge=0, mz=False, adduct="", resolution=None, variants=None, facts=None):
        self.mass = np.asarray(mass, dtype=np.float64)
        self.abundance = np.asarray(abundance, dtype=np.float64)
        self.formula = formula
        self.charge = charge
        self.mz = mz
        self.adduct = adduct
        self.resolution = resolution
        self.variants = variants
        facts = facts or {}
        self.coverage = facts.get("coverage", math.nan)
        self.monoisotopic_mass = facts.get("monoisotopic_mass", math.nan)
        self.average_mass = facts.get("average_mass", math.nan)
        self.nominal_mass = facts.get("nominal_mass")
        self.most_abundant = facts.get("most_abundant")
        self.composition = facts.get("composition")

    def __len__(self):
        return len(self.mass)

    def __iter__(self):
        return zip(self.mass.tolist(), self.abundance.tolist())

    def __getitem__(self, index):
        if isinstance(index, slice):
            return Pattern(self.mass[index], self.abundance[index], self.formula, self.charge, self.mz, self.adduct,
                           self.resolution, self.variants)
        try:
            i = operator.index(index)
        except TypeError:
            raise TypeError(f"Pattern indices are integers or slices, not {type(index).__name__}") from None
        if not -len(self) <= i < len(self):
            raise IndexError(f"peak {i} of a pattern of {len(self)} peaks")
        return float(self.mass[i]), float(self.abundance[i])

    def __eq__(self, other):
        if not isinstance(other, Pattern):
            return NotImplemented
        return (
            (self.formula, self.charge, self.mz, self.adduct, self.resolution)
            == (other.formula, other.charge, other.mz, other.adduct, other.resolution)
            and self.variants == other.variants
            and self.mass.tobytes() == other.mass.tobytes()
            and self.abundance.tobytes() == other.abundance.tobytes()
        )

    def __array__(self, dtype=None, copy=None):
        table = np.column_stack([self.mass, self.abundance])
        return table if dtype is None else table.astype(dtype)

    def __repr__(self):
        unit = "m/z" if self.mz else "u"
        where = f" from {self.mass[0]:.4f} to {self.mass[-1]:.4f} {unit}" if len(self) else ""
        name = self._name()
        if len(name) > _REPR_NAME:
            name = f"{name[:_REPR_NAME]}... ({len(name)} characters)"
        return f"<Pattern {name} charge {self.charge}: {len(self)} peaks{where}>"

    def centroids(self, resolution=None, analyzer="orbitrap", at=None, fwhm=None, floor=1e-6, intensity="sum"):
        """The peaks as an instrument of that resolution reports them, as a :class:`Pattern`.

        ``resolution`` is the resolving power R0 at the m/z ``at`` (default
        200 for ``analyzer="orbitrap"``, 400 for ``"fticr"``; ``"tof"`` has
        one R everywhere); it may also be written ``"120000@200"``. ``fwhm``
        instead gives one peak width everywhere. The profile (see
        :meth:`profile`) has a centroid at each local maximum of at least
        ``floor`` times the largest, shoulders included, placed at the
        maximum of the continuous sum of Gaussians (a root of its slope).
        With ``intensity="sum"`` it has the summed abundance of this
        pattern's peaks between the minima (valleys) around it; with
        ``"area"`` the area of the profile between them, in the unit where
        each Gaussian's area is its peak's abundance (a lone peak's area is
        its abundance). For the fine structure calculate the pattern with a
        small ``merge``, or let :func:`pattern` choose it by giving it the
        resolution.
        """
        instrument = _instrument(resolution, analyzer, at, fwhm)
        if instrument is None:
            raise ValueError("give resolution or fwhm")
        floor = _real(floor, "centroid floor must be between 0 and 1")
        area = _centroid_area(intensity)
        mass, abundance = _core.centroids(self.mass, self.abundance, _core.Resolution(*instrument), floor, area)
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
        """The peaks as a pandas DataFrame with the columns ``mass`` (``mz``
        when the positions are m/z) and ``abundance``; its ``attrs`` hold
        ``formula``, ``adduct`` and ``charge``."""
        import pandas

        frame = pandas.DataFrame({"mz" if self.mz else "mass": self.mass, "abundance": self.abundance})
        frame.attrs.update(formula=self.formula, adduct=self.adduct, charge=self.charge)
        return frame

    def plot(
        self, ax=None, fwhm=None, resolution=None, analyzer="orbitrap", at=None, labels=True, title=None, measured=None
    ):
        """Draws the peaks as sticks on a matplotlib axis and returns the axis.

        ``ax`` defaults to the current axis of pyplot. The heights are
        percent of the largest peak, on the axis of ``morvane-plot``
        ("abundance (% of largest peak)", 0 to 125: room above the largest
        peak for labels), and the positions are written out in full, with no
        offset. With a peak width ``fwhm`` (in
        the units of the positions), or a resolution (keywords as
        :meth:`centroids`; by default this pattern's own), the profile of
        :meth:`profile` is drawn as well, in the colour of the sticks, its
        highest point at 100 %. Several patterns drawn on one axis take the
        axis's successive colours, each in percent of its own largest peak.

        With ``labels`` the positions of the peaks are written above them,
        as ``morvane-plot`` does: the tallest first, each where its text
        overlaps no label already placed, and a note above the frame's right
        end says which peaks carry labels (one line per pattern, the title
        raised above them), clear of a legend inside the axis. ``title`` (by
        default the formula, ion or charge, when the axis has no title yet)
        is set as the axis's title.

        ``measured``, a spectrum as ``(mz, intensity)`` arrays (what
        :func:`read_spectrum` returns), is drawn downwards as a mirror: its
        peaks within 2 units of the pattern's first and last, in grey, in
        percent of the largest of them, the axis then running from -125 to
        125 % ("calculated up, measured down").
        """
        if ax is None:
            import matplotlib.pyplot as plt

            ax = plt.gca()
        label = self._name() if self.charge == 0 or self.adduct else f"{self.formula}, charge {self.charge}"
        heights = self._percent()
        sticks_x = np.repeat(self.mass, 3)
        sticks_y = np.column_stack([np.zeros(len(self)), heights, np.full(len(self), np.nan)]).ravel()
        sticks_x[2::3] = np.nan
        (sticks,) = ax.plot(sticks_x, sticks_y, label=label)
        self._draw_profile(ax, fwhm, _instrument(resolution, analyzer, at, None), sticks.get_color())
        ax.set_xlabel("m/z" if self.mz else "mass (u)")
        ax.set_ylabel("abundance (% of largest peak)")
        ax.set_ylim(0, _PERCENT_TOP)
        ax.set_yticks(range(0, 101, 20))
        if measured is not None:
            self._draw_mirror(ax, measured)
        ax.ticklabel_format(axis="x", useOffset=False)
        if title is not None or not ax.get_title():
            ax.set_title(label if title is None else title)
        if labels and len(self):
            self._label_peaks(ax, heights, sticks.get_color())
        return ax

    def _draw_mirror(self, ax, measured):
        """Draws a measured spectrum below the axis for plot()."""
        mz, intensity = (np.asarray(a, dtype=np.float64) for a in measured)
        if mz.shape != intensity.shape or mz.ndim != 1:
            raise ValueError("measured must be two one-dimensional arrays of the same length: (mz, intensity)")
        if len(self):
            near = (mz >= self.mass.min() - 2) & (mz <= self.mass.max() + 2)
            mz, intensity = mz[near], intensity[near]
        top = intensity.max() if len(intensity) else 0.0
        depths = -intensity * (100.0 / top) if top > 0 else np.zeros(len(intensity))
        xs = np.repeat(mz, 3)
        xs[2::3] = np.nan
        ys = np.column_stack([np.zeros(len(mz)), depths, np.full(len(mz), np.nan)]).ravel()
        ax.plot(xs, ys, color="0.45", label="measured")
        ax.axhline(0, color="black", linewidth=0.8)
        ax.set_ylim(-_PERCENT_TOP, _PERCENT_TOP)
        ax.set_yticks(range(-100, 101, 50))
        ax.set_yticklabels([str(abs(t)) for t in range(-100, 101, 50)])
        ax.set_ylabel("abundance (% of largest peak): calculated up, measured down")

    def _percent(self):
        """The abundances in percent of the largest."""
        top = self.abundance.max() if len(self) else 0.0
        return self.abundance * (100.0 / top) if top > 0 else self.abundance.copy()

    def _draw_profile(self, ax, fwhm, instrument, color):
        """Draws the profile of plot(), its highest point at 100 %, if any."""
        if not len(self):
            return
        if instrument is None and fwhm is None:
            instrument = self.resolution
        if instrument is not None:
            x, y = self._resolved_profile(instrument)
        elif fwhm is not None:
            x = self._profile_grid(float(fwhm))
            y = self.profile(x, fwhm)
        else:
            return
        if y.max() > 0:
            ax.plot(x, y * (100.0 / y.max()), color=color, linewidth=0.8)

    def _label_peaks(self, ax, heights, color):
        """Labels the tallest peaks whose texts fit side by side, and notes which."""
        ax.autoscale_view()
        low, high = ax.get_xlim()
        width_px = ax.get_window_extent().width
        points_per_unit = width_px / (high - low) * 72 / ax.figure.dpi if high > low and width_px > 0 else math.inf
        placed = []
        for i in np.argsort(-self.abundance, kind="stable"):
            text = f"{self.mass[i]:.4f}"
            # Digits are at most 0.6 of the font size wide; 4 points apart.
            half = (len(text) * _LABEL_POINTS * 0.6 + 4) / 2 / points_per_unit
            centre = self.mass[i]
            if any(centre - half < hi and centre + half > lo for lo, hi in placed):
                continue
            placed.append((centre - half, centre + half))
            ax.annotate(text, (centre, heights[i]), xytext=(0, 2), textcoords="offset points",
                        ha="center", va="bottom", fontsize=_LABEL_POINTS, color=color)
        shown = len(placed)
        note = "every peak labelled" if shown == len(self) else (
            f"labels on {shown} of {len(self)} peaks: the tallest, where the text fits")
        _add_note(ax, note, color)

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


def _add_note(ax, note, color):
    """Writes a note above the right end of the frame, as morvane-plot does,
    outside the axis where a legend goes: the notes of earlier patterns
    below it, and the title raised above them all."""
    import matplotlib

    above = sum(t.get_gid() == _NOTE_GID for t in ax.texts)
    ax.annotate(note, (1, 1), xycoords="axes fraction", xytext=(0, _NOTE_GAP + above * _NOTE_STEP),
                textcoords="offset points", ha="right", va="bottom", fontsize=_LABEL_POINTS, color=color,
                gid=_NOTE_GID)
    pad = matplotlib.rcParams["axes.titlepad"] + (above + 1) * _NOTE_STEP
    ax.set_title(ax.get_title(), pad=pad, fontsize=ax.title.get_fontsize(), fontweight=ax.title.get_fontweight())


def _integer(value, message):
    try:
        return operator.index(value)
    except TypeError:
        raise ValueError(message) from None


def _charge(value):
    charge = _integer(value, "charge must be integer")
    if not -1000 <= charge <= 1000:
        raise ValueError("charge must be between -1000 and 1000")
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


def _centroid_area(intensity):
    """Whether ``intensity=`` asks for the centroids' areas rather than their sums."""
    if intensity not in ("sum", "area"):
        raise ValueError('intensity must be "sum" or "area"')
    return intensity == "area"


def _settings(
    charge,
    mz,
    threshold,
    merge,
    normalize,
    filter,
    instrument=None,
    coverage=None,
    binning="merge",
    composition=False,
    intensity="sum",
):
    """The library's settings from the keywords of pattern() and patterns()."""
    s = _core.Settings()
    s.charge = _charge(charge)
    s.masstocharge = bool(mz)
    if coverage is not None:
        if threshold is not None:
            raise ValueError("give a threshold or a coverage, not both")
        s.coverage = _real(coverage, "coverage must be between 0 and 1")
        if not 0 < s.coverage < 1:
            raise ValueError("coverage must be between 0 and 1")
    if threshold is not None:
        s.threshold = _real(threshold, "threshold must be between 0 and 1")
    elif coverage is None:
        s.coverage = _core.FRONT_END_COVERAGE
    if binning not in ("merge", "nominal"):
        raise ValueError('binning must be "merge" or "nominal"')
    s.nominal = binning == "nominal"
    s.composition = bool(composition)
    s.merge_given = merge is not None
    s.merge = 0.1 if merge is None else _real(merge, "peak merge must be >= 0")
    s.normalize = bool(normalize)
    s.filter = _real(filter, "filter must be between 0 and 100")
    s.centroid_area = _centroid_area(intensity)
    if instrument is not None:
        s.resolution = _core.Resolution(*instrument)
    elif s.centroid_area:
        raise ValueError('intensity="area" is for centroids: give resolution or fwhm')
    return s


def _isotope_table(table):
    """The :class:`IsotopeTable` that ``table=`` names: None (the default
    table), an :class:`IsotopeTable`, or the path of a table file."""
    if table is None:
        return default_table()
    if isinstance(table, IsotopeTable):
        return table
    if isinstance(table, (str, os.PathLike)):
        return IsotopeTable(table)
    raise TypeError(f"table must be an IsotopeTable or a path, not {type(table).__name__}")


def _formula(value, where="formula"):
    if not isinstance(value, str):
        raise TypeError(f"{where} must be a str, not {type(value).__name__}")
    return value


def _adducts(adduct, settings, table):
    """The ions to calculate: [None] for the molecule itself, else the
    parsed adducts (one, or each of a list) in the order given."""
    if adduct is None:
        return [None]
    if settings.charge != 0 or settings.masstocharge:
        raise ValueError("an adduct sets the charge; leave out charge and mz")
    many = adduct if isinstance(adduct, (list, tuple)) else [adduct]
    if not many:
        raise ValueError("adduct must name at least one ion")
    return [adduct_for(a, table) for a in many]


def _ion_settings(settings, parsed):
    """``settings`` made those of the ion ``parsed`` (its charge, m/z), or
    left those of the molecule for None."""
    if parsed is not None:
        settings.adduct = parsed._adduct
        settings.charge = parsed.charge
        settings.masstocharge = True
    return settings


def _prepared(
    table, charge, mz, threshold, merge, normalize, filter, adduct, instrument, report=(None, "merge", False, "sum")
):
    """The table of ``table=``, and the library's settings of each ion to
    calculate (the molecule itself without an adduct), from the keywords of
    pattern() and patterns(); ``report`` is (coverage, binning, composition,
    intensity)."""
    table = _isotope_table(table)
    plain = _settings(charge, mz, threshold, merge, normalize, filter)
    each = [_ion_settings(_settings(charge, mz, threshold, merge, normalize, filter, instrument, *report), a)
            for a in _adducts(adduct, plain, table)]
    return table, each


def _language(table, sequence, enrichment, fixed):
    """The library's Language of these keywords, or None for plain formulas."""
    if not sequence and not enrichment and not fixed:
        return None
    if fixed and not sequence:
        raise ValueError("fixed modifications need sequences")
    if isinstance(fixed, str):
        fixed = [fixed]
    return _core.Language(table, bool(sequence), dict(enrichment or {}), list(fixed or ()))


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
    library_table = _isotope_table(table)._table
    language = _language(library_table, sequence is not None, None, fixed) or _core.Language(
        library_table, False, {}, []
    )
    atoms, text, _ = _core.formula_of(library_table, formula if sequence is None else sequence, language)
    return atoms, text


def _named(error, index, formula, settings):
    """The exception of a failed formula, of the same class, its message
    naming the formula's index and text (and the ion). A setting out of
    range (a plain ValueError) is every formula's, and stays as it is."""
    if type(error) is ValueError:
        return error
    ion = f" as {settings.adduct.text}" if settings.adduct is not None else ""
    return type(error)(f"formula {index} ({formula!r}{ion}): {error}")


def pattern(
    formula=None,
    table=None,
    charge=0,
    mz=False,
    threshold=None,
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
    coverage=None,
    binning="merge",
    composition=False,
    intensity="sum",
):
    """The isotope pattern of one molecule, as ``morvane`` calculates it.

    formula
        element symbols with optional counts, as on morvane's command line
        (``"C6H12O6"``, ``"CH3CH2OH"``), and beyond it groups, hydrates and
        isotope labels (``"Ca(OH)2"``, ``"CuSO4.5H2O"``, ``"[13C]6H12O6"``,
        ``"D2O"``).
    table
        an :class:`IsotopeTable`, or the path of a table file (``str`` or
        ``os.PathLike``); by default morvane's default table.
    charge
        charge of the ion, -1000 to 1000: every mass is lowered by charge
        times the electron mass (morvane's ``-z``).
    mz
        positions are m/z: mass divided by the magnitude of the charge, so
        positive also for negative ions (the magnitudes of what ``-mtz``
        prints). m/z at charge 0 raises ``ValueError``.
    threshold
        probability threshold relative to the most probable variant found so
        far, 0 to 1 (``-t``). Without a threshold or a ``coverage``, the
        pattern holds :data:`FRONT_END_COVERAGE` (0.999999) of the
        probability: accurate to 0.1 % for every peak of at least 0.1 % of
        the largest, where morvane's own default of 1e-3 loses the tails of
        large molecules (insulin's M+11 at 0.78 % of the base peak instead of
        1.81 %).
    merge
        variants at most this far apart are merged into one peak, in the units
        of the positions (``-r``); by default 0.1, or with a resolution the
        variants grouped so that none spans more than a fiftieth of the local
        peak width (the fine structure).
    normalize
        the largest peak becomes 100 (``-n``).
    filter
        normalise, then keep the peaks of at least this percentage of the
        largest, 0 to 100 (``-f``).
    adduct
        the ion to calculate instead of the molecule, as text (``"[M+H]+"``,
        ``"[M+2H]2+"``, ``"[M-H]-"``) or an :class:`Adduct`. It sets the
        charge and positions are m/z, so ``charge`` and ``mz`` stay unset.
        A list of adducts gives a list of patterns, one per adduct in order.
    resolution, analyzer, at, fwhm
        the instrument, as for :meth:`Pattern.centroids`: the peaks are then
        the centroids it reports (normalised and filtered after), as
        ``morvane-batch --resolution`` gives them.
    intensity
        with an instrument, ``"sum"`` or ``"area"``: a centroid's intensity,
        as for :meth:`Pattern.centroids` (``--centroid-intensity``).
    sequence
        a peptide in ProForma notation instead of a formula
        (``"PEM[Oxidation]K/2"``); a charge suffix sets the charge and
        positions are m/z. Modifications are named as in Unimod (any
        modification with a composition, the exact name or else ignoring
        case, or ``UNIMOD:21``) or written as ``Formula:HPO3``.
    enrichment
        the labels' enrichment, as ``{"13C": 0.99}``: each labelled atom is
        that isotope with this probability, the element's other isotopes
        sharing the rest in their natural proportions. Labels are pure
        without it.
    fixed
        fixed modifications of a sequence, as ``["Carbamidomethyl@C"]`` or
        ``["UNIMOD:4@C"]``.
    coverage
        instead of a threshold, 0 < coverage < 1: the smallest set of
        variants, by decreasing probability, that holds this much of the
        probability (variants as probable as the last one taken are kept too),
        merged as usual. A target beyond the calculation's work bounds raises
        :class:`CalculationError` with the reason.
    binning
        ``"merge"`` (merging at ``merge``) or ``"nominal"``: the variants
        summed by their number of extra neutrons, each bin at its
        abundance-weighted mean position; ``merge`` is then not used. The
        bins are computed directly from the elements, not from enumerated
        variants, so they reach molecules of any size (titin in
        milliseconds) and do not depend on ``threshold`` or ``coverage``,
        which then only choose the variants ``composition`` is read from (a
        bin without any gets ``("", 0.0)``). Every bin of at least 1e-15 of
        the largest is given: smaller ones are beneath the rounding of the
        largest, and every bin given is exact to far better than 1e-12 of
        the largest.
    composition
        work out each peak's make-up (:attr:`Pattern.composition`); one more
        pass over the variants.

    ``formula`` must be a ``str`` (``TypeError`` otherwise). Returns a
    :class:`Pattern` whose numbers equal ``morvane -p 17``'s table
    for the same settings (with an adduct, for the ion's formula written out
    and ``-mtz`` with its charge). Raises :class:`FormulaError` for a formula
    that does not parse or an adduct that removes atoms the molecule lacks,
    :class:`AdductError` for adduct text that does not parse, ``ValueError``
    with morvane's message for a bad setting, and :class:`CalculationError`
    for a pattern that cannot be calculated. The calculation runs without
    the GIL; Ctrl-C (KeyboardInterrupt), or any exception from a signal
    handler, cancels it within milliseconds. A signal handler cannot start
    another calculation meanwhile (``RuntimeError``).
    """
    if (formula is None) == (sequence is None):
        raise TypeError("give either a formula or a sequence")
    text = _formula(formula) if sequence is None else _formula(sequence, "sequence")
    instrument = _instrument(resolution, analyzer, at, fwhm)
    report = (coverage, binning, composition, intensity)
    table, ions = _prepared(table, charge, mz, threshold, merge, normalize, filter, adduct, instrument, report)
    language = _language(table._table, sequence is not None, enrichment, fixed)
    found = []
    for ion in ions:
        ion.language = language
        (result,), failed = _core.calculate_many(table._table, [text], ion, 1, Pattern, instrument)
        if failed:
            raise result
        found.append(result)
    return found if isinstance(adduct, (list, tuple)) else found[0]


def patterns(
    formulas,
    table=None,
    charge=0,
    mz=False,
    threshold=None,
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
    coverage=None,
    binning="merge",
    composition=False,
    intensity="sum",
    as_frame=False,
):
    """The isotope patterns of many molecules, calculated on several threads.

    ``formulas`` is an iterable of formula strings, or of ProForma sequences
    with ``sequences=True`` (a single ``str`` is refused with ``TypeError``);
    the settings (``adduct``, ``enrichment`` and ``fixed`` included) are
    those of :func:`pattern` and apply to every formula. ``threads`` is the
    number of threads (0: one per core), the calling thread among them; the
    calculation releases the GIL, which the calling thread takes to make the
    patterns of the formulas finished so far, and Ctrl-C (KeyboardInterrupt)
    stops it within milliseconds, the formulas under way included.

    Returns a list of :class:`Pattern` in the order of ``formulas``; with a
    list of adducts, per formula one pattern per adduct in the order given.
    A formula that fails raises its exception (the first failure in input
    order), its message naming the formula's index and text, when
    ``errors="raise"``; with ``errors="return"`` that exception object
    stands in its place in the list.

    With ``as_frame=True`` the patterns come as one pandas DataFrame, a row
    per peak, as :func:`to_pandas` makes it, but ``id`` is the formula's
    index in ``formulas`` (shared by its adducts' rows). A formula that
    fails raises as above; with ``errors="return"`` it has no rows, and
    ``attrs["errors"]`` lists ``(id, exception)`` pairs.
    """
    if isinstance(formulas, (str, bytes)):
        raise TypeError("patterns takes a sequence of formulas, not a single str; for one formula use pattern()")
    if errors not in ("raise", "return"):
        raise ValueError('errors must be "raise" or "return"')
    threads = _integer(threads, "threads must be an integer >= 0")
    if threads < 0:
        raise ValueError("threads must be an integer >= 0")
    try:
        formulas = list(formulas)
    except TypeError:
        raise TypeError(f"patterns takes a sequence of formulas, not {type(formulas).__name__}") from None
    # More threads than formulas would have nothing to do.
    threads = min(threads, max(1, len(formulas)))
    instrument = _instrument(resolution, analyzer, at, fwhm)
    report = (coverage, binning, composition, intensity)
    table, ions = _prepared(table, charge, mz, threshold, merge, normalize, filter, adduct, instrument, report)
    language = _language(table._table, sequences, enrichment, fixed)
    for ion in ions:
        ion.language = language
    per_ion = [_core.calculate_many(table._table, formulas, ion, threads, Pattern, instrument) for ion in ions]
    if errors == "raise":
        failures = [(failed[0], k) for k, (_, failed) in enumerate(per_ion) if failed]
        if failures:
            i, k = min(failures)
            raise _named(per_ion[k][0][i], i, formulas[i], ions[k])
    if len(ions) == 1:
        out = per_ion[0][0]
    else:
        out = [None] * (len(formulas) * len(ions))
        for k, (results, _) in enumerate(per_ion):
            out[k :: len(ions)] = results
    return _frame(out, np.arange(len(out)) // len(ions)) if as_frame else out


def to_pandas(patterns):
    """Many patterns as one pandas DataFrame, a row per peak.

    ``patterns`` is a list of :class:`Pattern`, such as :func:`patterns`
    returns; the columns are those of ``morvane-batch``'s table: ``id`` (the
    pattern's index in the list), ``formula``, ``adduct`` (the ion's
    notation, or ""), ``charge``, ``peak`` (1 for each pattern's lightest),
    ``mass`` (``mz`` when the positions are m/z) and ``abundance``, then
    ``composition`` and ``share`` when every pattern has its composition.
    Patterns of masses and of m/z do not share a column: mixing them raises
    ``ValueError``. An exception in the list (a failed formula of
    ``patterns(..., errors="return")``) gives no rows; the frame's
    ``attrs["errors"]`` lists them as ``(id, exception)`` pairs.
    """
    if isinstance(patterns, Pattern):
        raise TypeError("to_pandas takes a list of patterns; for one pattern use its to_pandas()")
    try:
        items = list(patterns)
    except TypeError:
        raise TypeError(f"to_pandas takes a list of patterns, not {type(patterns).__name__}") from None
    for item in items:
        if not isinstance(item, (Pattern, Exception)):
            raise TypeError(f"to_pandas takes patterns, not {type(item).__name__}")
    return _frame(items, np.arange(len(items)))


def _frame(items, ids):
    """The DataFrame of to_pandas() from patterns and exceptions, ``ids``
    (an integer array) the id of each; built column by column, the peaks'
    arrays joined once."""
    import pandas

    kept = np.fromiter((isinstance(p, Pattern) for p in items), dtype=bool, count=len(items))
    found = [p for p in items if isinstance(p, Pattern)]
    counts = np.fromiter((len(p) for p in found), dtype=np.intp, count=len(found))
    starts = np.cumsum(counts) - counts
    columns = {
        "id": np.repeat(ids[kept].astype(np.int64), counts),
        "formula": np.repeat(np.array([p.formula for p in found], dtype=object), counts),
        "adduct": np.repeat(np.array([p.adduct for p in found], dtype=object), counts),
        "charge": np.repeat(np.array([p.charge for p in found], dtype=np.int64), counts),
        "peak": np.arange(counts.sum(), dtype=np.int64) - np.repeat(starts, counts) + 1,
        _position_column(found): np.concatenate([p.mass for p in found] or [np.empty(0)]),
        "abundance": np.concatenate([p.abundance for p in found] or [np.empty(0)]),
    }
    if found and all(p.composition is not None for p in found):
        columns["composition"] = np.array([c for p in found for c, _ in p.composition], dtype=object)
        columns["share"] = np.array([s for p in found for _, s in p.composition], dtype=np.float64)
    frame = pandas.DataFrame(columns, copy=False)
    frame.attrs["errors"] = [(int(i), e) for i, e in zip(ids, items) if not isinstance(e, Pattern)]
    return frame


def _position_column(found):
    """``mz`` for patterns of m/z, else ``mass``; a mixture raises ValueError."""
    kinds = {p.mz for p in found}
    if len(kinds) > 1:
        raise ValueError("patterns of masses and of m/z do not share a column")
    return "mz" if kinds == {True} else "mass"


class Distance(tuple):
    """How far apart two spectra are: ``wasserstein`` and ``cosine``."""

    __slots__ = ()

    def __new__(cls, wasserstein, cosine):
        return super().__new__(cls, (wasserstein, cosine))

    wasserstein = property(operator.itemgetter(0), doc="1-D earth mover's distance, in the units of the positions.")
    cosine = property(operator.itemgetter(1), doc="Cosine similarity of the paired peaks, 0 to 1.")

    def __repr__(self):
        return f"Distance(wasserstein={self.wasserstein!r}, cosine={self.cosine!r})"


def _sticks(spectrum, name):
    if isinstance(spectrum, Pattern):
        return spectrum.mass, spectrum.abundance
    try:
        position, intensity = spectrum
    except (TypeError, ValueError):
        raise TypeError(f"{name} must be a Pattern or a pair (positions, intensities)") from None
    return np.asarray(position, dtype=np.float64), np.asarray(intensity, dtype=np.float64)


def distance(a, b, ppm=10.0):
    """How far apart two spectra are, each a :class:`Pattern` or a pair of
    arrays (positions, intensities) such as a measured spectrum.

    Returns a :class:`Distance`: ``wasserstein``, the 1-D Wasserstein (earth
    mover's) distance between the two stick spectra each scaled to a sum of 1,
    exact, in the units of the positions (0 for equal patterns); and
    ``cosine``, the cosine similarity of the intensities after pairing, in
    order of position, each peak of ``a`` at x with the first unpaired peak of
    ``b`` within ``ppm`` parts per million of x (1 for equal patterns). Raises
    ``ValueError`` for an empty spectrum, a negative or non-finite intensity or
    a non-finite position.
    """
    pa, ia = _sticks(a, "a")
    pb, ib = _sticks(b, "b")
    return Distance(*_core.distance(pa, ia, pb, ib, _real(ppm, "ppm must be a number")))
