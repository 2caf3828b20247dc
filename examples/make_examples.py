#!/usr/bin/env python3
"""Writes the bundled example job: examples/data.txt and examples/map.txt.

The data imitate a tissue-microarray study: 132 cores, each scored for twelve factors. Three
latent factors (immune infiltration, proliferation, hormone-receptor status) drive most markers,
each marker loads on one or two of them, and every score carries its own noise. Two columns (age
and grade) are clinical and are not selected by the mapping.

Run from the repository root (or anywhere): python3 examples/make_examples.py
The output is fixed by the seed below, so rerunning reproduces the committed files.
"""

import os
import random

SAMPLES = 132
SEED = 20240607

# name, (immune, proliferation, hormone) loadings, noise, offset, scale, decimals
MARKERS = [
    ("CD3", (0.90, 0.00, 0.00), 0.35, 40.0, 18.0, 2),
    ("CD8", (0.80, 0.15, 0.00), 0.45, 25.0, 12.0, 2),
    ("Ki67", (0.10, 0.85, -0.20), 0.40, 20.0, 11.0, 2),
    ("p53", (0.00, 0.60, -0.10), 0.70, 15.0, 9.0, 2),
    ("HER2", (0.00, 0.35, -0.45), 0.60, 1.5, 0.8, 3),
    ("ER", (0.00, -0.30, 0.90), 0.35, 55.0, 25.0, 2),
    ("PR", (0.00, -0.20, 0.80), 0.50, 45.0, 22.0, 2),
    ("EGFR", (0.20, 0.40, -0.55), 0.55, 2.0, 1.1, 3),
    ("CK5", (0.15, 0.30, -0.60), 0.60, 18.0, 10.0, 2),
    ("FOXP3", (0.65, 0.20, 0.00), 0.60, 6.0, 3.5, 3),
]


def clamp_low(value, low):
    return value if value > low else low


def main():
    rng = random.Random(SEED)
    here = os.path.dirname(os.path.abspath(__file__))
    names = [m[0] for m in MARKERS]
    # Value columns: age, then the markers in a scrambled order, then grade, so that the
    # mapping has to select and reorder.
    column_order = ["Age", "ER", "CD8", "Ki67", "CK5", "CD3", "HER2", "PR", "p53", "FOXP3",
                    "EGFR", "Grade"]
    rows = []
    for s in range(1, SAMPLES + 1):
        immune, prolif, hormone = (rng.gauss(0.0, 1.0) for _ in range(3))
        values = {}
        for name, (a, b, c), noise, offset, scale, decimals in MARKERS:
            z = a * immune + b * prolif + c * hormone + noise * rng.gauss(0.0, 1.0)
            values[name] = f"{clamp_low(offset + scale * z, 0.0):.{decimals}f}"
        values["Age"] = str(int(round(clamp_low(rng.gauss(58.0, 11.0), 24.0))))
        grade = 1 + (prolif > -0.4) + (prolif > 0.6)
        values["Grade"] = str(grade)
        rows.append([f"TMA{s:03d}"] + [values[c] for c in column_order])

    with open(os.path.join(here, "data.txt"), "w", newline="\n") as f:
        f.write("\t".join(["core"] + column_order) + "\n")
        for row in rows:
            f.write("\t".join(row) + "\n")

    # Analysis order: four reference markers first, then the test markers.
    analysis = ["CD3", "Ki67", "ER", "HER2", "CD8", "p53", "PR", "EGFR", "CK5", "FOXP3"]
    mapping = [str(column_order.index(name) + 1) for name in analysis]
    assert sorted(analysis) == sorted(names)
    with open(os.path.join(here, "map.txt"), "w", newline="\n") as f:
        f.write("\t".join(["Y", "Y"] + mapping) + "\n")


if __name__ == "__main__":
    main()
