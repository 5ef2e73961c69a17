# SPDX-License-Identifier: MIT
"""The build backend behind `pip install .`: CMake builds the Python module, and this file
writes the wheel around it.

It needs nothing from a package index, so `pip install .` works offline, build isolation or
not: only CMake, a C++20 compiler, pybind11's CMake package and the interpreter's headers
(Debian: cmake g++ pybind11-dev python3-dev). The module is built for the interpreter that
runs pip, in build/pip/<its path> inside this tree (elsewhere in a temporary folder when the
tree cannot be written), with the same CMake files as `make python`.
"""
import base64
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import zipfile

SOURCE = pathlib.Path(__file__).resolve().parent.parent
NAME = "spanfold"
SUMMARY = "Partial digest (turnpike) solver: point sets on a line from their pairwise distances"


def _version():
    cmake_lists = (SOURCE / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(spanfold VERSION ([0-9.]+)", cmake_lists).group(1)


def _tag():
    """The wheel's tag for the running interpreter, as pip reckons it for a compiled module."""
    version = f"{sys.version_info.major}{sys.version_info.minor}"
    if sys.implementation.name == "cpython":
        interpreter = f"cp{version}"
        abi = interpreter + ("d" if hasattr(sys, "gettotalrefcount") else "")
    else:
        interpreter = f"{sys.implementation.name[:2]}{version}"
        abi = re.sub(r"[-.]", "_", sysconfig.get_config_var("SOABI") or "none")
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{interpreter}-{abi}-{platform}"


def _dist_info():
    return f"{NAME}-{_version()}.dist-info"


def _metadata_files():
    """The files of the .dist-info folder but RECORD, as name -> bytes."""
    metadata = (f"Metadata-Version: 2.1\nName: {NAME}\nVersion: {_version()}\n"
                f"Summary: {SUMMARY}\nLicense: MIT\nRequires-Python: >=3.8\n")
    wheel = (f"Wheel-Version: 1.0\nGenerator: {NAME} cmake_wheel\nRoot-Is-Purelib: false\n"
             f"Tag: {_tag()}\n")
    return {"METADATA": metadata.encode(), "WHEEL": wheel.encode(),
            "LICENSE": (SOURCE / "LICENSE").read_bytes()}


def _build_folder():
    name = re.sub(r"/", "_", sys.executable.lstrip("/"))
    folder = SOURCE / "build" / "pip" / name
    try:
        folder.mkdir(parents=True, exist_ok=True)
        return folder
    except OSError:
        return pathlib.Path(tempfile.mkdtemp(prefix="spanfold-build-"))


def _run(command):
    print("spanfold:", " ".join(str(word) for word in command), file=sys.stderr, flush=True)
    # CMake's words go to standard error, which pip shows with -v and on failure.
    subprocess.run(command, check=True, stdout=sys.stderr)


def _build_module(staging):
    cmake = shutil.which("cmake")
    if cmake is None:
        raise RuntimeError("pip install . needs CMake, a C++20 compiler, pybind11 and Python's "
                           "headers (Debian: apt-get install cmake g++ pybind11-dev python3-dev)")
    build = _build_folder()
    print(f"spanfold: the Python module for {sys.executable}, built in {build}",
          file=sys.stderr, flush=True)
    _run([cmake, "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
          "-DSPANFOLD_PYTHON=ON", "-DSPANFOLD_TESTS=OFF", "-DSPANFOLD_BENCH=OFF",
          f"-DPython_EXECUTABLE={sys.executable}", "-DSPANFOLD_PYTHON_INSTALL_DIR=."])
    _run([cmake, "--build", build, "--target", "spanfold_python", "-j", str(os.cpu_count() or 2)])
    _run([cmake, "--install", build, "--component", "python", "--prefix", staging])
    return [path for path in staging.iterdir() if path.is_file()]


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}\n"


# ---- the hooks of PEP 517 ---------------------------------------------------------------

def get_requires_for_build_wheel(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    folder = pathlib.Path(metadata_directory) / _dist_info()
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in _metadata_files().items():
        (folder / name).write_bytes(data)
    return folder.name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    wheel_name = f"{NAME}-{_version()}-{_tag()}.whl"
    with tempfile.TemporaryDirectory(prefix="spanfold-wheel-") as staging:
        modules = _build_module(pathlib.Path(staging))
        record = ""
        with zipfile.ZipFile(pathlib.Path(wheel_directory) / wheel_name, "w",
                             zipfile.ZIP_DEFLATED) as wheel:
            for module in modules:
                data = module.read_bytes()
                wheel.writestr(module.name, data)
                record += _record_line(module.name, data)
            for name, data in _metadata_files().items():
                path = f"{_dist_info()}/{name}"
                wheel.writestr(path, data)
                record += _record_line(path, data)
            record += f"{_dist_info()}/RECORD,,\n"
            wheel.writestr(f"{_dist_info()}/RECORD", record)
    return wheel_name
