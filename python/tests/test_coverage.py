"""What a pattern says about itself, the coverage target, nominal binning,
peak composition and the distance between spectra, as Python gives them."""

import math

import numpy as np
import pytest

import morvane


def test_every_pattern_carries_coverage_and_masses(table):
    # Insulin at morvane's default threshold: its peaks hold 0.982 of the
    # probability, where the front-ends' default holds 0.999999; masses of
    # bovine insulin from the table's isotopes.
    assert morvane.pattern("C254H377N65O75S6", table, threshold=1e-3).coverage == pytest.approx(0.982, abs=1e-3)
    p = morvane.pattern("C254H377N65O75S6", table, normalize=True)
    assert morvane.FRONT_END_COVERAGE == 0.999999 and p.coverage >= 0.999999
    assert p.monoisotopic_mass == pytest.approx(5729.6008682, abs=1e-6)
    assert p.average_mass == pytest.approx(5733.49, abs=0.3)
    assert p.nominal_mass == 5727
    # Normalised as morvane does, a * 100 / largest: the largest itself may
    # round to a hair above 100.
    assert p.most_abundant == (p.mass[3], pytest.approx(100.0, rel=1e-15))
    assert p.composition is None
    many = morvane.patterns(["C6H12O6", "C254H377N65O75S6"], table, normalize=True)
    assert many[1].coverage == p.coverage and many[1].most_abundant == p.most_abundant
    assert many[0].monoisotopic_mass == pytest.approx(180.0633881, abs=1e-7)


def test_coverage_target(table):
    p = morvane.pattern("C254H377N65O75S6", table, coverage=0.999)
    assert p.coverage >= 0.999
    assert p.coverage == pytest.approx(float(np.sum(p.abundance)), rel=1e-15)
    with pytest.raises(ValueError, match="give a threshold or a coverage, not both"):
        morvane.pattern("C6H12O6", table, threshold=1e-3, coverage=0.9)
    for bad in (0, 1, -0.5, "most"):
        with pytest.raises(ValueError, match="coverage must be between 0 and 1"):
            morvane.pattern("C6H12O6", table, coverage=bad)
    with pytest.raises(morvane.CalculationError, match="coverage 0.9999999999999999 is out of reach"):
        morvane.pattern("C6H12O6", table, coverage=math.nextafter(1, 0))


def test_nominal_binning_and_composition(table):
    p = morvane.pattern("C6H12O6", table, binning="nominal", composition=True, threshold=1e-4)
    assert [c[0] for c in p.composition[:3]] == ["", "13C", "18O"]
    assert p.coverage == pytest.approx(float(np.sum(p.abundance)), rel=1e-15)
    # The bins hold all the probability, whatever the threshold; those
    # beyond the variants kept at it have no make-up.
    assert p.coverage == pytest.approx(1, abs=1e-14)
    coarse = morvane.pattern("C6H12O6", table, binning="nominal", threshold=0.1)
    assert np.array_equal(np.asarray(coarse), np.asarray(p))
    assert p.composition[-1] == ("", 0.0)
    titin = morvane.pattern("C169719H270464N45688O52237S911", table, binning="nominal")
    assert titin.coverage == pytest.approx(1, abs=1e-9)
    assert titin.most_abundant[0] == pytest.approx(titin.average_mass, abs=2)
    with pytest.raises(ValueError, match='binning must be "merge" or "nominal"'):
        morvane.pattern("C6H12O6", table, binning="unit")


def test_distance_between_patterns_and_measured_spectra(table):
    glucose = morvane.pattern("C6H12O6", table)
    same = morvane.distance(glucose, glucose)
    assert same == (0.0, pytest.approx(1.0, abs=1e-15))
    assert (same.wasserstein, same.cosine) == tuple(same)
    measured = ([181.0671, 180.0632, 182.069], [7.9, 100.0, 1.1])
    d = morvane.distance(glucose, measured, ppm=20)
    assert d.wasserstein == morvane.distance(measured, glucose, ppm=20).wasserstein
    assert 0.99 < d.cosine < 1
    # Each measured peak is 1 to 6 ppm off: no pairs within 1 ppm.
    assert morvane.distance(glucose, measured, ppm=1).cosine == 0
    with pytest.raises(ValueError, match="the second spectrum has no intensity"):
        morvane.distance(glucose, ([], []))
    with pytest.raises(TypeError):
        morvane.distance(glucose, 5)
