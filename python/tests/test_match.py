"""morvane.match and morvane.read_spectrum: the library's matching, the same
numbers as morvane-match, and the refusals."""

import csv
import io
import os
import pathlib
import subprocess

import numpy as np
import pytest

import morvane

# The peptide C42H69N11O14 as [M+2H]2+ at 60,000 @ 200, and a stray peak.
SPECTRUM = ("m/z,intensity\n476.7585494,100000\n477.2600363,50838.9\n477.7613503,15546.7\n"
            "478.2626275,3524.51\n478.7638748,649.179\n700.1,3\n")
CANDIDATES = ["C42H69N11O14 z=1..4", "C42H70N11O14 z=2"]


@pytest.fixture
def spectrum_file(tmp_path):
    path = tmp_path / "spectrum.csv"
    path.write_text(SPECTRUM)
    return path


def test_read_spectrum(spectrum_file):
    mz, intensity = morvane.read_spectrum(spectrum_file)
    assert mz.tolist() == [476.7585494, 477.2600363, 477.7613503, 478.2626275, 478.7638748, 700.1]
    assert intensity[0] == 100000


def test_match_finds_the_charge(spectrum_file):
    frame = morvane.match(spectrum_file, CANDIDATES, resolution=60000)
    assert frame["charge"].tolist() == [2, 2]
    assert frame["runner_up_charge"].tolist() == [1, 0]
    assert frame["score"][0] > 0.999
    assert frame["score"][1] < 0.2
    for threads in (1, 3):
        assert morvane.match(spectrum_file, CANDIDATES, resolution=60000, threads=threads).equals(frame)
    with pytest.raises(ValueError, match="threads must be an integer >= 0"):
        morvane.match(spectrum_file, CANDIDATES, resolution=60000, threads=-1)


def test_match_gives_morvane_matchs_numbers(spectrum_file):
    build = os.environ.get("MORVANE_BUILD_DIR")
    if not build:
        pytest.skip("MORVANE_BUILD_DIR names no build folder (the tests run from ctest)")
    done = subprocess.run([str(pathlib.Path(build) / "morvane-match"), str(spectrum_file), *CANDIDATES,
                           "--resolution", "60000", "--csv"], capture_output=True, text=True, check=True)
    rows = list(csv.DictReader(io.StringIO(done.stdout)))
    frame = morvane.match(spectrum_file, CANDIDATES, resolution=60000)
    for row, (_, got) in zip(rows, frame.iterrows()):
        for column in ("score", "cosine", "wasserstein", "explained", "rms_ppm"):
            assert float(row[column]) == pytest.approx(got[column], rel=1e-7, abs=1e-12)


def test_bad_input_raises():
    with pytest.raises(ValueError, match="peak 2: intensity must be a finite number of at least 0"):
        morvane.match(([500.0, 501.0], [1.0, np.nan]), "C6H12O6", fwhm=0.01)
    with pytest.raises(ValueError, match="resolution is needed"):
        morvane.match(([500.0], [1.0]), "C6H12O6")
    with pytest.raises(ValueError, match="unknown element symbol 'Xx'"):
        morvane.match(([500.0], [1.0]), "C6Xx", fwhm=0.01)
    with pytest.raises(ValueError, match="No such file"):
        morvane.read_spectrum("/nonexistent/spectrum.txt")


MALDI = pathlib.Path("/usr/lib/R/site-library/readMzXmlData/Examples/A1-0_A1.mzXML")


@pytest.mark.skipif(not MALDI.exists(), reason="Debian's r-cran-readmzxmldata is not installed")
def test_read_spectrum_mzxml():
    # Its scan element documents peaksCount 22431 and basePeakIntensity 32594.
    mz, intensity = morvane.read_spectrum(MALDI)
    assert len(mz) == 22431
    assert intensity.max() == 32594


BSA1 = pathlib.Path("/usr/share/doc/openms/examples/BSA/BSA1.mzML")


@pytest.mark.skipif(not BSA1.exists(), reason="Debian's openms-doc is not installed")
def test_match_each_scan_of_a_range():
    # YLYEIAR is identified at charge 2 at 39.285 min (BSA1_OMSSA.idXML).
    frame = morvane.match(BSA1, ["YLYEIAR z=1..4", "YLYEIAK z=2"], resolution=60000, at=400, sequence=True,
                          each_scan=True, rt_range=(39.0, 39.6))
    assert list(frame.columns[:4]) == ["scan", "native_id", "rt", "candidate"]
    scans = frame["scan"].unique()
    assert len(frame) == 2 * len(scans) >= 8
    assert list(scans) == list(range(scans[0], scans[0] + len(scans)))
    assert frame["rt"].between(39.0, 39.6).all()
    peptide = frame[frame["candidate"] == "YLYEIAR z=1..4"]
    best = peptide.loc[peptide["score"].idxmax()]
    assert best["charge"] == 2 and best["score"] > 0.9
    assert frame[frame["candidate"] == "YLYEIAK z=2"]["score"].max() < 0.05
    # A scan's rows are those of the scan matched alone.
    mz, intensity = morvane.read_spectrum(BSA1, scan=int(best["scan"]))
    alone = morvane.match((mz, intensity), ["YLYEIAR z=1..4"], resolution=60000, at=400, sequence=True)
    assert alone["score"][0] == best["score"]


def test_match_each_scan_refusals(spectrum_file):
    with pytest.raises(ValueError, match="each_scan needs the path of an mzML or mzXML run"):
        morvane.match(([500.0], [1.0]), "C6H12O6", fwhm=0.01, each_scan=True)
    with pytest.raises(ValueError, match="not an mzML or mzXML run"):
        morvane.match(spectrum_file, "C6H12O6", fwhm=0.01, each_scan=True)
    with pytest.raises(ValueError, match="rt_range goes with each_scan=True"):
        morvane.match(spectrum_file, "C6H12O6", fwhm=0.01, rt_range=(1, 2))
    with pytest.raises(ValueError, match="rt_range must be a pair"):
        morvane.match(spectrum_file, "C6H12O6", fwhm=0.01, each_scan=True, rt_range=(3, 2))


def _profile_file(tmp_path, pattern):
    x, y = pattern.profile()
    path = tmp_path / "profile.csv"
    path.write_text("".join(f"{a!r},{b!r}\n" for a, b in zip(x, y)))
    return path


@pytest.mark.parametrize("analyzer,power,at", [("tof", 30000, None), ("orbitrap", 60000, 200),
                                               ("fticr", 400000, 400)])
def test_estimate_resolution_recovers_the_instrument(analyzer, power, at):
    points = [morvane.pattern(f, adduct="[M+H]+", resolution=power, analyzer=analyzer, at=at).profile()
              for f in ("C10H13N5O4", "C27H46O", "C43H66N12O12S2")]
    mz, intensity = (np.concatenate(parts) for parts in zip(*points))
    found = morvane.estimate_resolution(mz, intensity, analyzer=analyzer)
    assert found["resolution"] == pytest.approx(power, rel=0.03)
    assert found["at"] == (None if analyzer == "tof" else at)
    assert found["analyzer"] == analyzer
    assert found["peaks"] >= 6


def test_estimate_resolution_refuses_too_few_peaks():
    x, y = morvane.pattern("C6H12O6", resolution=60000).profile()
    with pytest.raises(ValueError, match="too few to estimate the resolution from"):
        morvane.estimate_resolution(x[y > 0.5 * y.max()], y[y > 0.5 * y.max()])
    with pytest.raises(ValueError, match="analyzer must be tof, orbitrap or fticr"):
        morvane.estimate_resolution(x, y, analyzer="quadrupole")


def test_read_spectrum_centroids_a_profile_at_its_estimate(tmp_path):
    peptide = morvane.pattern("C42H69N11O14", adduct="[M+2H]2+", resolution=60000, at=200)
    path = _profile_file(tmp_path, peptide)
    x, y = peptide.profile()
    found = morvane.estimate_resolution(x, y)
    mz, intensity = morvane.read_spectrum(path, profile=True)
    at_estimate = morvane.read_spectrum(path, profile=True, resolution=found["resolution"], at=found["at"])
    assert mz.tolist() == at_estimate[0].tolist()
    assert intensity.tolist() == at_estimate[1].tolist()
    assert mz[0] == pytest.approx(peptide.mass[0], rel=1e-7)


def test_fit_enrichment_recovers_the_label():
    cases = [("[13C]6H12O6", "[M+Na]+", "13C", 0.97), ("C42H69[15N]11O14", "[M+2H]2+", "15N", 0.95)]
    for formula, adduct, label, truth in cases:
        standard = morvane.pattern(formula, adduct=adduct, enrichment={label: truth}, resolution=120000)
        fit = morvane.fit_enrichment(standard, f"{formula} {adduct}", label=label, resolution=120000)
        assert fit["enrichment"] == pytest.approx(truth, abs=0.005)
        assert 0 < fit["uncertainty"] < 0.01
        assert fit["residual"] < 0.05
        assert (fit["candidate"], fit["ion"], fit["label"]) == (f"{formula} {adduct}", adduct, label)
    assert fit["charge"] == 2


def test_fit_enrichment_gives_morvane_matchs_numbers(tmp_path):
    build = os.environ.get("MORVANE_BUILD_DIR")
    if not build:
        pytest.skip("MORVANE_BUILD_DIR names no build folder (the tests run from ctest)")
    standard = morvane.pattern("[13C]6H12O6", adduct="[M+Na]+", enrichment={"13C": 0.97}, resolution=120000)
    path = tmp_path / "standard.csv"
    path.write_text("".join(f"{a!r},{b!r}\n" for a, b in zip(standard.mass, standard.abundance)))
    done = subprocess.run([str(pathlib.Path(build) / "morvane-match"), str(path), "[13C]6H12O6 [M+Na]+",
                           "--resolution", "120000", "--fit-enrichment", "13C", "--csv"],
                          capture_output=True, text=True, check=True)
    row = next(csv.DictReader(io.StringIO(done.stdout)))
    fit = morvane.fit_enrichment(path, "[13C]6H12O6 [M+Na]+", resolution=120000)
    for column in ("enrichment", "uncertainty", "residual"):
        assert float(row[column]) == pytest.approx(fit[column], rel=1e-7)


def test_fit_enrichment_refusals():
    glucose = morvane.pattern("C6H12O6", adduct="[M+Na]+", resolution=120000)
    with pytest.raises(ValueError, match=r"the formula holds no \[13C\] label"):
        morvane.fit_enrichment(glucose, "C6H12O6 [M+Na]+", resolution=120000)
    with pytest.raises(ValueError, match="no observed peak in the window"):
        morvane.fit_enrichment(glucose, "[13C]6H12O6 [M+H]+", resolution=120000)
    with pytest.raises(ValueError, match="the lowest enrichment must lie between 0 and 1"):
        morvane.fit_enrichment(glucose, "[13C]6H12O6 [M+Na]+", lowest=1, resolution=120000)
    with pytest.raises(ValueError, match="resolution is needed"):
        morvane.fit_enrichment(glucose, "[13C]6H12O6 [M+Na]+")


# OpenMS's peak picker tutorial (Debian openms-doc, /usr/share/doc/openms/examples/): one
# MALDI-TOF profile spectrum, and the peaks OpenMS's picker found in it with the width
# (fwhm) of the peak shape it fitted to each. MSToolkit does not read these files (their
# one spectrum has no scan number), so their arrays are decoded here.
OPENMS_EXAMPLES = pathlib.Path("/usr/share/doc/openms/examples")


def _mzml_arrays(path):
    """The named binary arrays of an uncompressed or zlib-compressed mzML file with one spectrum."""
    import base64
    import re
    import zlib

    arrays = {}
    for block in re.findall(r"<binaryDataArray[^>]*>(.*?)</binaryDataArray>", path.read_text(), re.S):
        name = re.search(r'name="(m/z array|intensity array)"|name="non-standard data array" value="([^"]+)"', block)
        raw = base64.b64decode(re.search(r"<binary>(.*?)</binary>", block, re.S).group(1))
        if "zlib compression" in block:
            raw = zlib.decompress(raw)
        arrays[name.group(1) or name.group(2)] = np.frombuffer(raw, np.float64 if "64-bit float" in block
                                                               else np.float32).astype(np.float64)
    return arrays


def test_estimate_resolution_of_a_measured_tof_profile():
    if not (OPENMS_EXAMPLES / "peakpicker_tutorial_1.mzML").exists():
        pytest.skip("openms-doc is not installed (tools/install-test-packages)")
    profile = _mzml_arrays(OPENMS_EXAMPLES / "peakpicker_tutorial_1.mzML")
    picked = _mzml_arrays(OPENMS_EXAMPLES / "peakpicker_tutorial_1_picked.mzML")
    mz, intensity = profile["m/z array"], profile["intensity array"]
    powers = picked["m/z array"] / picked["fwhm"]
    # From m/z 2000 to 3000 the peptides' isotope peaks stand apart: the widths measured at half
    # height agree with OpenMS's fitted ones.
    window = (mz >= 2000) & (mz < 3000)
    fitted = np.median(powers[(picked["m/z array"] >= 2000) & (picked["m/z array"] < 3000)])
    found = morvane.estimate_resolution(mz[window], intensity[window], analyzer="tof")
    assert found["resolution"] == pytest.approx(fitted, rel=0.05)
    assert found["peaks"] >= 5
    # Over the whole spectrum the instrument's resolving power is not one number (about 4,700
    # at m/z 1000 to 1500, 10,000 above 3000 by OpenMS's fits): the estimate stays within the
    # middle half of the peaks' values.
    whole = morvane.estimate_resolution(mz, intensity, analyzer="tof")["resolution"]
    assert np.percentile(powers, 25) <= whole <= np.percentile(powers, 75)
