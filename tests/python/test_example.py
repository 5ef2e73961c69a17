# SPDX-License-Identifier: MIT
"""The example script draws the solutions of a real map into a PNG."""
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]


def test_plot_solutions_of_a_map(tmp_path):
    picture = tmp_path / "ecoli.png"
    run = subprocess.run([sys.executable, ROOT / "examples" / "plot_solutions.py",
                          ROOT / "data" / "ecoli-k12-1.txt", picture],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    assert run.stdout == (f"{picture}: ecoli-k12-1.txt: 2 solutions of 495 points, "
                          "495 nodes visited\n")
    png = picture.read_bytes()
    assert png.startswith(b"\x89PNG\r\n\x1a\n") and len(png) > 10_000
