"""Patterns as an instrument of a given resolution shows them: centroids and
profiles from Python, the very numbers of morvane-batch."""

import math
import os
import pickle
import subprocess

import numpy as np
import pytest

import morvane
from conftest import TABLE_PATH

PEPTIDE = "C42H69N11O14"  # monoisotopic 951.5025 u


def run_batch(formula, *args):
    """morvane-batch's peaks for one formula at -p 17, as (mass, abundance) lists."""
    build = os.environ.get("MORVANE_BUILD_DIR")
    if not build:
        pytest.skip("MORVANE_BUILD_DIR names no build folder (the tests run from ctest)")
    done = subprocess.run(
        [os.path.join(build, "morvane-batch"), str(TABLE_PATH), "-p", "17", *args],
        input=formula + "\n",
        capture_output=True,
        text=True,
        check=True,
    )
    rows = [line.split("\t") for line in done.stdout.splitlines()[1:]]
    return [float(r[5]) for r in rows], [float(r[6]) for r in rows]


@pytest.mark.parametrize(
    "keywords, options",
    [
        ({"resolution": 500000}, ["--resolution", "500000"]),
        ({"resolution": "20000", "analyzer": "tof"}, ["--resolution", "20000", "--analyzer", "tof"]),
        ({"resolution": 1e6, "analyzer": "fticr", "at": 400}, ["--resolution", "1e6@400", "--analyzer", "fticr"]),
        ({"fwhm": 0.05, "merge": 0.001}, ["--fwhm", "0.05", "-r", "0.001"]),
        ({"resolution": 500000, "intensity": "area"}, ["--resolution", "500000", "--centroid-intensity", "area"]),
    ],
)
def test_centroids_equal_the_batch_tools(table, keywords, options):
    p = morvane.pattern(PEPTIDE, table, **keywords)
    mass, abundance = run_batch(PEPTIDE, *options)
    assert p.mass.tolist() == mass and p.abundance.tolist() == abundance


def test_orbitrap_splits_the_m1_and_tof_does_not(table):
    # 15N at +0.99703 u and 13C at +1.00335 u: 0.0063 u apart, 1.5 widths
    # of a 500000 @ 200 orbitrap at 952, a tenth of a 20000 tof's width.
    orbitrap = morvane.pattern(PEPTIDE, table, resolution="500000@200")
    tof = morvane.pattern(PEPTIDE, table, resolution=20000, analyzer="tof")
    m1 = lambda p: p.mass[(p.mass > 952) & (p.mass < 953)]  # noqa: E731
    np.testing.assert_allclose(m1(orbitrap), [952.49975, 952.50592], atol=1e-4)
    assert len(m1(tof)) == 1
    # Both keep every variant's abundance.
    assert orbitrap.abundance.sum() == pytest.approx(orbitrap.variants.abundance.sum(), rel=1e-12)
    assert tof.abundance.sum() == pytest.approx(tof.variants.abundance.sum(), rel=1e-12)


def test_centroids_of_a_pattern_are_those_the_calculation_gives(table):
    fine = morvane.pattern(PEPTIDE, table, merge=1e-5)
    seen = fine.centroids(resolution=120000)
    direct = morvane.pattern(PEPTIDE, table, merge=1e-5, resolution=120000)
    assert seen.mass.tobytes() == direct.mass.tobytes()
    assert seen.abundance.tobytes() == direct.abundance.tobytes()
    assert seen.resolution == direct.resolution == ("orbitrap", 120000.0, 200.0)
    assert seen.variants is fine


def test_profile_is_ten_points_per_width_around_the_variants(table):
    p = morvane.pattern(PEPTIDE, table, fwhm=0.1)
    x, y = p.profile()
    assert np.all(np.diff(x) <= 0.01 * (1 + 1e-9))
    assert x[0] == pytest.approx(p.variants.mass[0] - 0.4)
    assert x[-1] >= p.variants.mass[-1] + 0.4
    # The monoisotopic peak stands alone: its top is its abundance, sampled
    # within a twentieth of a width of it.
    assert y.max() == pytest.approx(p.abundance[0], rel=0.01)
    x2, y2 = p.profile(resolution=60000)
    assert len(x2) > len(x)


def test_plot_draws_the_profile_at_the_resolution(table):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots()
    p = morvane.pattern(PEPTIDE, table, resolution=60000)
    p.plot(ax)
    sticks, profile = ax.get_lines()
    x, y = p.profile()
    assert np.array_equal(profile.get_xdata(), x)
    np.testing.assert_allclose(profile.get_ydata(), y * 100 / y.max(), rtol=1e-15)
    plt.close(fig)


def test_pickles_with_its_variants(table):
    p = morvane.pattern(PEPTIDE, table, resolution=60000, analyzer="fticr")
    back = pickle.loads(pickle.dumps(p))
    assert back.resolution == ("fticr", 60000.0, 400.0)
    assert back.variants.mass.tobytes() == p.variants.mass.tobytes()


@pytest.mark.parametrize(
    "keywords, message",
    [
        ({"resolution": 1e5, "fwhm": 0.1}, "fwhm is a resolution of its own"),
        ({"resolution": 1e5, "analyzer": "qtof"}, "analyzer must be tof, orbitrap or fticr"),
        ({"at": 200}, "at needs resolution"),
        ({"resolution": 0}, "resolution must be > 0"),
        ({"resolution": "1e5@-3"}, "reference m/z must be > 0"),
        ({"fwhm": "wide"}, "peak width must be > 0"),
        ({"fwhm": 1e20}, "peak width must be at most 10000"),
        ({"fwhm": float("inf")}, "peak width must be at most 10000"),
        ({"resolution": 0.5, "analyzer": "tof"}, "resolution must be between 1 and 1e9"),
        ({"resolution": 1e30}, "resolution must be between 1 and 1e9"),
    ],
)
def test_refuses_bad_resolutions(table, keywords, message):
    with pytest.raises(ValueError, match=message):
        morvane.pattern(PEPTIDE, table, **keywords)


@pytest.mark.parametrize("abundance", [-0.2, math.nan, math.inf])
def test_centroids_refuse_abundances_that_are_no_probability(abundance):
    with pytest.raises(ValueError, match="peak 1: masses must be finite and abundances finite and >= 0"):
        morvane.Pattern([100.0, 101.0], [0.5, abundance]).centroids(fwhm=0.1)


def test_centroids_need_an_instrument(table):
    with pytest.raises(ValueError, match="give resolution or fwhm"):
        morvane.pattern(PEPTIDE, table).centroids()


def test_area_of_a_lone_peak_is_its_abundance():
    lone = morvane.Pattern([812.4], [0.37]).centroids(fwhm=0.02, intensity="area")
    assert lone.abundance.tolist() == pytest.approx([0.37], rel=1e-14)
    # Overlapping peaks share their Gaussians across the valley, and keep the total.
    pair = morvane.Pattern([100.0, 100.2], [1.0, 0.2]).centroids(fwhm=0.1, intensity="area")
    assert pair.abundance.sum() == pytest.approx(1.2, rel=1e-12)
    assert pair.abundance[0] > 1.0


@pytest.mark.parametrize("intensity", ["height", "Area", None])
def test_centroid_intensity_is_sum_or_area(table, intensity):
    with pytest.raises(ValueError, match='intensity must be "sum" or "area"'):
        morvane.pattern(PEPTIDE, table, resolution=1e5, intensity=intensity)
    with pytest.raises(ValueError, match='intensity must be "sum" or "area"'):
        morvane.Pattern([100.0], [1.0]).centroids(fwhm=0.1, intensity=intensity)


def test_area_needs_an_instrument(table):
    with pytest.raises(ValueError, match="is for centroids: give resolution or fwhm"):
        morvane.pattern(PEPTIDE, table, intensity="area")
