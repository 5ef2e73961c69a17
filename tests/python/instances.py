# SPDX-License-Identifier: MIT
"""Point sets for the tests, drawn from a seed, as the C++ tests' generator draws them."""
import random


def zhang_points(k, seed=1, eps=97):
    """Zhang's hard family: 5k + 2 points with two solutions whose search the node count's own
    limit of 4294967295 ends (k = 14: some 50 ms here; 18: half a second; 21: eight seconds)."""
    width = 5000 * k
    draw = random.Random(seed)
    points = [0, width]
    for i in range(1, k + 1):
        points += [i * eps, (2 * k + i) * eps, width - i * eps, width - (2 * k + i) * eps]
        points.append((k + i) * eps if draw.random() < 0.5 else width - (k + i) * eps)
    return sorted(points)


def homometric_points(a, b, seed):
    """U + V for random U (a points) and V (b points): U - V has the same distances, so the
    problem has several solutions, and which one a search meets first follows its seed."""
    draw = random.Random(seed)
    u = draw.sample(range(10 * a + 1), a)
    v = draw.sample(range(2 * b), b)
    return sorted({x * 4 * b + y for x in u for y in v})


def pairwise(points):
    """All pairwise distances, ascending: the tests' own count, apart from the module's."""
    return sorted(abs(p - q) for i, p in enumerate(points) for q in points[i + 1:])
