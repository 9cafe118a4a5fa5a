"""The compiled part of the package for pip: morvane._core is the CMake target
morvane_core of the project, built by the project's own CMakeLists.txt, so that
pip gives the same module as `cmake --build`. The version is the one of
CMakeLists.txt's project(VERSION), and the wheel carries the isotope table as
share/morvane/morvanetable.txt, where the module looks for it from the
environment's bin/ folder."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import sysconfig

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = HERE.parent


def project_version():
    text = (SOURCE / "CMakeLists.txt").read_text()
    return re.search(r"project\(morvane\s+VERSION\s+([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        # Where the package will lie, relative to the environment's prefix:
        # the module finds the table at ../share/morvane from the prefix's bin/.
        site = os.path.relpath(sysconfig.get_path("platlib"), sysconfig.get_path("data"))
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DBUILD_TESTING=OFF", "-DMORVANE_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
                        f"-DMORVANE_PYTHON_INSTALL_DIR={site}"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "morvane_core",
                        "--parallel", str(os.cpu_count() or 1)], check=True)
        built = build / "python" / "morvane" / ("_core" + sysconfig.get_config_var("EXT_SUFFIX"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(
    version=project_version(),
    ext_modules=[Extension("morvane._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    data_files=[("share/morvane", [os.path.relpath(SOURCE / "morvanetable.txt", HERE)])],
)
