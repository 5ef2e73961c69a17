#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the solutions of a map as points on a line, one line per solution, into a PNG.

    python3 examples/plot_solutions.py data/ecoli-k12-1.txt ecoli-k12-1.png
    python3 examples/plot_solutions.py --points 0 4 9 15 22 31 solutions.png

The map is a file in the spanfold program's form (its first non-empty line holds the
distances), or, with --points, a point set whose distances make the problem. A solution and
its mirror image are drawn one above the other, and said to be mirrors.
"""
import argparse
import os
import re
import sys

import matplotlib

matplotlib.use("Agg")  # a file, never a window
import matplotlib.pyplot as plt  # noqa: E402 (after the choice of backend)

import spanfold  # noqa: E402

MOST_DRAWN = 8  # solutions drawn; a problem with more says so in the title


def read_map(path):
    """The distances of the first non-empty line, cut at the program's delimiters."""
    with open(path, encoding="ascii") as text:
        for line in text:
            words = [w for w in re.split(r"[ \t\r\v,;]+", line.strip("\n")) if w]
            if words:
                return [int(w) for w in words]
    raise SystemExit(f"{path}: no problem line")


def mirror(points):
    width = points[-1]
    return tuple(sorted(width - p for p in points))


def draw(result, title, path):
    shown = result.solutions[:MOST_DRAWN]
    figure, axes = plt.subplots(figsize=(11, 1.2 + 0.55 * max(len(shown), 1)))
    if shown:
        axes.eventplot(shown, lineoffsets=range(len(shown)), linelengths=0.7, linewidths=0.6,
                       colors="tab:blue")
        for row, points in enumerate(shown):
            axes.hlines(row, 0, points[-1], colors="0.75", linewidth=0.6, zorder=0)
    labels = []
    for row, points in enumerate(shown):
        image = mirror(points)
        twin = next((i for i, other in enumerate(shown) if other == image and i != row), None)
        labels.append(f"{row + 1}" + (f" (mirror of {twin + 1})" if twin is not None else ""))
    axes.set_yticks(range(len(shown)), labels)
    axes.invert_yaxis()  # the first solution on top, as the report lists them
    axes.set_xlabel("position")
    axes.set_title(title, fontsize=10)
    axes.spines[["top", "right", "left"]].set_visible(False)
    figure.tight_layout()
    figure.savefig(path, dpi=120)
    plt.close(figure)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("source", nargs="+",
                        help="a map file, or with --points the positions of the points")
    parser.add_argument("png", help="the picture to write")
    parser.add_argument("--points", action="store_true", help="the source is a point set")
    parser.add_argument("--max-nodes", type=int, default=None, help="stop the search there")
    parser.add_argument("--seed", type=int, default=0, help="the search's first state")
    args = parser.parse_args()

    if args.points:
        distances = spanfold.distances(int(p) for p in args.source)
        name = "points " + " ".join(args.source) if len(args.source) <= 12 else \
            f"{len(args.source)} points"
    else:
        if len(args.source) != 1:
            parser.error("one map file")
        distances = read_map(args.source[0])
        name = os.path.basename(args.source[0])
    result = spanfold.solve(distances, max_nodes=args.max_nodes, seed=args.seed)

    count = len(result.solutions)
    title = (f"{name}: {count} solution{'s' if count != 1 else ''}"
             + (f" of {len(result.solutions[0])} points" if count else "")
             + f", {result.visited_nodes:,} nodes visited"
             + (f", stopped by {result.stopped_by}" if result.stopped_by else "")
             + (f"; the first {MOST_DRAWN} drawn" if count > MOST_DRAWN else ""))
    draw(result, title, args.png)
    print(f"{args.png}: {title}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
