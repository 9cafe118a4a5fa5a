"""Calculated envelopes against a measured spectrum: the library's matching."""

import os

import numpy as np

from . import _core
from ._pattern import _instrument, _isotope_table, _sticks

_COLUMNS = ["candidate", "ion", "charge", "score", "cosine", "wasserstein", "explained", "mono_ppm", "rms_ppm",
            "found", "expected", "runner_up_charge", "runner_up_score"]
_SCAN_COLUMNS = ["scan", "native_id", "rt"]


def _charges(charges):
    """(low, high) of ``charges=``: an int or a pair."""
    low, high = (charges, charges) if isinstance(charges, int) else tuple(charges)
    if not (isinstance(low, int) and isinstance(high, int)) or low == 0 or high == 0 or (low > 0) != (high > 0):
        raise ValueError("charges must be a charge or a pair (low, high) of one sign, not 0")
    return min(low, high), max(low, high)


def _rt_range(rt_range):
    """(from, to) minutes of ``rt_range=``: None for the whole run, or an ascending pair."""
    if rt_range is None:
        return 0.0, float("inf")
    low, high = (float(t) for t in rt_range)
    if not (0 <= low <= high):
        raise ValueError("rt_range must be a pair (from, to) of minutes from 0, ascending")
    return low, high


def match(spectrum, candidates, resolution=None, analyzer="orbitrap", at=None, fwhm=None, ppm=10.0, charges=1,
          sequence=False, theory_floor=0.01, noise_floor=0.01, table=None, each_scan=False, rt_range=None):
    """How well each candidate's calculated envelope explains a measured
    spectrum, as ``morvane-match`` prints it: a pandas DataFrame with one row
    per candidate (columns candidate, ion, charge, score, cosine, wasserstein,
    explained, mono_ppm, rms_ppm, found, expected, runner_up_charge,
    runner_up_score).

    ``spectrum`` is a pair of arrays (m/z, intensity), a :class:`Pattern`, or
    the path of a peak list or MGF file. ``candidates`` are texts as
    ``morvane-match`` reads them ("C6H12O6 [M+Na]+", "C42H69N11O14 z=1..4").
    The instrument (``resolution``/``analyzer``/``at`` or ``fwhm``) is needed:
    the theory is calculated at the spectrum's resolution. ``charges`` is the
    charge, or (low, high) range, of candidates that name none. Raises
    ``ValueError`` for a bad spectrum or candidate (docs/matching.md defines
    the score).

    With ``each_scan=True`` the spectrum is the path of an mzML or mzXML
    run, and each candidate is matched in every MS1 scan of it, or of those
    whose retention time lies in ``rt_range`` (from, to) minutes, as
    ``morvane-match --each-scan`` does: the ions are calculated once, and
    the rows (one per scan and candidate) start with the columns scan (its
    place among the MS1 scans, from 1), native_id and rt (minutes).
    A run found corrupt midway raises ``ValueError``.
    """
    import pandas as pd

    instrument = _instrument(resolution, analyzer, at, fwhm)
    if instrument is None:
        raise ValueError("the spectrum's resolution is needed: resolution= or fwhm=")
    if isinstance(candidates, str):
        candidates = [candidates]
    low, high = _charges(charges)
    floors = [float(ppm), float(theory_floor), float(noise_floor)]
    if each_scan:
        if not isinstance(spectrum, (str, os.PathLike)):
            raise ValueError("each_scan needs the path of an mzML or mzXML run")
        start, end = _rt_range(rt_range)
        rows = _core.match_scans(_isotope_table(table)._table, os.fspath(spectrum), list(candidates), bool(sequence),
                                 _core.Resolution(*instrument), floors, low, high, start, end)
        return pd.DataFrame(rows, columns=_SCAN_COLUMNS + _COLUMNS)
    if rt_range is not None:
        raise ValueError("rt_range goes with each_scan=True")
    if isinstance(spectrum, (str, os.PathLike)):
        mz, intensity = read_spectrum(spectrum)
    else:
        mz, intensity = _sticks(spectrum, "spectrum")
    rows = _core.match(_isotope_table(table)._table, mz, intensity, list(candidates), bool(sequence),
                       _core.Resolution(*instrument), floors, low, high)
    return pd.DataFrame(rows, columns=_COLUMNS)


def read_spectrum(path, scan=1, profile=False, resolution=None, analyzer="orbitrap", at=None, fwhm=None):
    """A measured spectrum from a file, as the pair of numpy arrays (mz,
    intensity), ascending in m/z: a peak list of two columns (blanks, tabs,
    comma or semicolon; an optional header), block ``scan`` (from 1) of an
    MGF file, or the ``scan``-th MS1 scan of an mzML or mzXML run. With ``profile=True`` the points are centroided by the
    library's centroider at the given resolution. Raises ``ValueError`` with
    the line or peak at fault.
    """
    instrument = _instrument(resolution, analyzer, at, fwhm)
    if profile and instrument is None:
        raise ValueError("profile data need the resolution to be centroided at")
    mz, intensity = _core.read_spectrum(os.fspath(path), int(scan),
                                        _core.Resolution(*instrument) if profile else None)
    return np.asarray(mz), np.asarray(intensity)
