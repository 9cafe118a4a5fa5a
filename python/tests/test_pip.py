"""pip, as a Python user installs the package: `pip wheel` and `pip install
./python`, offline, with Debian's build packages (no build isolation), into a
fresh virtual environment that sees the system's packages (numpy). The
installed module is the one the project builds: the command's version, MIT in
its metadata, the table installed beside it, the command's peaks bit for bit."""

import json
import os
import pathlib
import shutil
import subprocess
import zipfile

import pytest

from conftest import SOURCE_DIR, parse_table, run_morvane

CHECK = """
import importlib.metadata, json, morvane
insulin = morvane.pattern("C254H377N65O75S6", threshold=1e-3)
print(json.dumps({"version": morvane.__version__, "license": importlib.metadata.metadata("morvane")["License"],
                  "file": morvane.__file__, "table": morvane.IsotopeTable().path,
                  "mass": [m.hex() for m in insulin.mass], "abundance": [a.hex() for a in insulin.abundance]}))
"""


def copy_sources(target):
    """The source tree without build folders: pip builds in the tree it is given."""
    ignored = shutil.ignore_patterns(".git", "build", "build-*", "__pycache__", "*.egg-info")
    shutil.copytree(SOURCE_DIR, target, ignore=ignored, symlinks=True)


def test_pip_builds_a_wheel_and_installs_the_package(tmp_path):
    if not os.environ.get("MORVANE_EXE"):
        pytest.skip("MORVANE_EXE names no executable (the tests run from ctest)")
    source = tmp_path / "morvane"
    copy_sources(source)
    venv = tmp_path / "venv"
    subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", str(venv)], check=True)
    pip = [str(venv / "bin" / "python"), "-m", "pip", "--disable-pip-version-check", "--no-input"]
    # Compiler caches, when the build uses one, hit across source folders.
    env = os.environ | {"CCACHE_BASEDIR": str(source)}
    env.pop("PYTHONPATH", None)
    offline = ["--no-build-isolation", "--no-index"]

    subprocess.run(pip + ["wheel", *offline, "--no-deps", "-w", str(tmp_path / "wheels"), "./python"],
                   cwd=source, env=env, check=True, capture_output=True)
    (wheel,) = (tmp_path / "wheels").glob("morvane-*.whl")
    with zipfile.ZipFile(wheel) as archive:
        names = archive.namelist()
        metadata = archive.read(next(n for n in names if n.endswith(".dist-info/METADATA"))).decode()
    assert any(n.endswith(".dist-info/LICENSE") for n in names)
    assert any(n.endswith("/data/share/morvane/morvanetable.txt") for n in names)
    assert "License: MIT" in metadata.splitlines()

    subprocess.run(pip + ["install", *offline, "./python"], cwd=source, env=env, check=True, capture_output=True)
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()  # no morvanetable.txt here
    done = subprocess.run([str(venv / "bin" / "python"), "-c", CHECK], cwd=elsewhere, env=env,
                          capture_output=True, text=True, check=True)
    installed = json.loads(done.stdout)

    status, banner = run_morvane()
    assert status == 0
    assert f"version {installed['version']}" in banner
    assert installed["license"] == "MIT"
    assert pathlib.Path(installed["file"]).is_relative_to(venv)
    assert pathlib.Path(installed["table"]).resolve() == venv / "share" / "morvane" / "morvanetable.txt"
    status, out = run_morvane("C254H377N65O75S6", "-p", "17")
    assert status == 0
    mass, abundance = parse_table(out)
    assert [float.fromhex(m) for m in installed["mass"]] == mass
    assert [float.fromhex(a) for a in installed["abundance"]] == abundance
