"""Calculated envelopes against a measured spectrum: the library's matching."""

import os

import numpy as np

from . import _core
from ._pattern import _ANALYZERS, _instrument, _integer, _isotope_table, _sticks

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
          sequence=False, theory_floor=0.01, noise_floor=0.01, table=None, each_scan=False, rt_range=None,
          threads=0):
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

    ``threads`` is the number of threads that calculate the candidates' ions
    (0: one per core); the rows are the same whatever their number.
    """
    import pandas as pd

    instrument = _instrument(resolution, analyzer, at, fwhm)
    if instrument is None:
        raise ValueError("the spectrum's resolution is needed: resolution= or fwhm=")
    if isinstance(candidates, str):
        candidates = [candidates]
    low, high = _charges(charges)
    threads = _integer(threads, "threads must be an integer >= 0")
    if threads < 0:
        raise ValueError("threads must be an integer >= 0")
    floors = [float(ppm), float(theory_floor), float(noise_floor)]
    if each_scan:
        if not isinstance(spectrum, (str, os.PathLike)):
            raise ValueError("each_scan needs the path of an mzML or mzXML run")
        start, end = _rt_range(rt_range)
        rows = _core.match_scans(_isotope_table(table)._table, os.fspath(spectrum), list(candidates), bool(sequence),
                                 _core.Resolution(*instrument), floors, low, high, start, end, threads)
        return pd.DataFrame(rows, columns=_SCAN_COLUMNS + _COLUMNS)
    if rt_range is not None:
        raise ValueError("rt_range goes with each_scan=True")
    if isinstance(spectrum, (str, os.PathLike)):
        mz, intensity = read_spectrum(spectrum)
    else:
        mz, intensity = _sticks(spectrum, "spectrum")
    rows = _core.match(_isotope_table(table)._table, mz, intensity, list(candidates), bool(sequence),
                       _core.Resolution(*instrument), floors, low, high, threads)
    return pd.DataFrame(rows, columns=_COLUMNS)


def read_spectrum(path, scan=1, profile=False, resolution=None, analyzer="orbitrap", at=None, fwhm=None):
    """A measured spectrum from a file, as the pair of numpy arrays (mz,
    intensity), ascending in m/z: a peak list of two columns (blanks, tabs,
    comma or semicolon; an optional header), block ``scan`` (from 1) of an
    MGF file, or the ``scan``-th MS1 scan of an mzML or mzXML run. With
    ``profile=True`` the points are centroided by the library's centroider at
    the given resolution, or, without one, at the resolution their peak
    widths show under ``analyzer``'s law (see :func:`estimate_resolution`).
    Raises ``ValueError`` with the line or peak at fault, or when a profile
    has too few clean peaks to estimate its resolution from.
    """
    instrument = _instrument(resolution, analyzer, at, fwhm)
    estimate = None
    if profile and instrument is None:
        if analyzer not in _ANALYZERS:
            raise ValueError("analyzer must be tof, orbitrap or fticr")
        estimate = analyzer
    mz, intensity = _core.read_spectrum(os.fspath(path), int(scan),
                                        _core.Resolution(*instrument) if profile and instrument else None, estimate)
    return np.asarray(mz), np.asarray(intensity)


def estimate_resolution(mz, intensity, analyzer="orbitrap"):
    """The resolving power of the instrument that recorded a profile
    (arrays of m/z and intensity, any order), from the widths of its clean,
    isolated peaks: a dict with ``resolution`` (R0, the median of the peaks'
    resolving powers brought to the reference m/z under ``analyzer``'s law:
    "tof", "orbitrap" or "fticr"), ``at`` (that reference: 200 for orbitrap,
    400 for fticr, None for tof), ``analyzer`` and ``peaks`` (how many were
    measured). ``resolution``, ``analyzer`` and ``at`` are the keywords of
    :func:`match` and :func:`fit_enrichment`. Raises ``ValueError`` when
    fewer than 3 peaks are clean enough to measure (docs/matching.md).
    """
    mz, intensity = _sticks((mz, intensity), "profile")
    power, reference, peaks = _core.estimate_resolution(mz, intensity, analyzer)
    return {"resolution": power, "at": None if analyzer == "tof" else reference, "analyzer": analyzer, "peaks": peaks}


def fit_enrichment(spectrum, candidate, label="13C", lowest=0.8, resolution=None, analyzer="orbitrap", at=None,
                   fwhm=None, ppm=10.0, charges=1, sequence=False, noise_floor=0.01, table=None):
    """The enrichment of an isotope label (the fraction of the labelled
    positions that hold it) in a labelled standard, as ``morvane-match
    --fit-enrichment`` finds it: the candidate is matched (its best charge
    found as :func:`match` finds it), then its ion is calculated at levels of
    enrichment from ``lowest`` to 1 and the levels fitted together to the
    spectrum. Returns a dict with ``candidate``, ``ion``, ``charge``,
    ``label``, ``enrichment``, ``uncertainty`` (its standard error) and
    ``residual`` (the fit's relative residual).

    ``spectrum``, the instrument and ``charges`` are as for :func:`match`;
    the label is written as in formulas ("13C", "15N", "2H") and must be in
    the candidate ("[13C]6H12O6"). Raises ``ValueError`` when it is not,
    or when the spectrum has nothing in the ion's window.
    """
    instrument = _instrument(resolution, analyzer, at, fwhm)
    if instrument is None:
        raise ValueError("the spectrum's resolution is needed: resolution= or fwhm=")
    if isinstance(spectrum, (str, os.PathLike)):
        mz, intensity = read_spectrum(spectrum)
    else:
        mz, intensity = _sticks(spectrum, "spectrum")
    low, high = _charges(charges)
    ion, charge, enrichment, uncertainty, residual = _core.fit_enrichment(
        _isotope_table(table)._table, mz, intensity, str(candidate), bool(sequence), _core.Resolution(*instrument),
        float(ppm), float(noise_floor), low, high, str(label), float(lowest))
    return {"candidate": candidate, "ion": ion, "charge": charge, "label": label, "enrichment": enrichment,
            "uncertainty": uncertainty, "residual": residual}
