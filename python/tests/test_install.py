"""cmake --install: the installed package imports from the prefix's Python
package folder and reads the installed table, wherever the prefix is moved."""

import os
import pathlib
import subprocess
import sys

import pytest

CHECK = "import morvane; print(morvane.IsotopeTable().path); print(repr(morvane.pattern('C6H12O6').mass[0]))"


def test_installed_package_reads_the_installed_table(tmp_path):
    build = os.environ.get("MORVANE_BUILD_DIR")
    if not build:
        pytest.skip("MORVANE_BUILD_DIR names no build folder (the tests run from ctest)")
    prefix = tmp_path / "prefix"
    subprocess.run([os.environ["CMAKE_COMMAND"], "--install", build, "--prefix", str(prefix)],
                   check=True, capture_output=True)
    moved = tmp_path / "moved"
    prefix.rename(moved)
    site = moved / os.environ["MORVANE_PYTHON_INSTALL_DIR"]
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()  # no morvanetable.txt here
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"} | {"PYTHONPATH": str(site)}
    done = subprocess.run([sys.executable, "-c", CHECK], cwd=elsewhere, env=env,
                          capture_output=True, text=True, check=True)
    path, mass = done.stdout.split("\n")[:2]
    assert pathlib.Path(path).resolve() == moved / "share" / "morvane" / "morvanetable.txt"
    # Glucose's monoisotopic mass, as the table of docs/command-line.md shows to 8 digits.
    assert f"{float(mass):.8g}" == "180.06339"


def test_version_is_the_commands():
    exe = os.environ.get("MORVANE_EXE")
    if not exe:
        pytest.skip("MORVANE_EXE names no executable (the tests run from ctest)")
    import morvane

    banner = subprocess.run([exe], capture_output=True, text=True, check=True).stdout
    assert f"version {morvane.__version__}\n" in banner
