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
