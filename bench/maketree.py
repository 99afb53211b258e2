#!/usr/bin/env python3
"""Builds the benchmark trees: many small files in folders, or a few large files."""
import os
import random
import sys


def small(root, files, folders):
    rng = random.Random(20240601)
    top = max(1, int(folders ** 0.5))
    per_folder = files // folders
    made = 0
    block = os.urandom(16 * 1024)
    for i in range(folders):
        folder = os.path.join(root, f"d{i % top:03d}", f"s{i:04d}")
        os.makedirs(folder, exist_ok=True)
        for j in range(per_folder):
            size = rng.randint(1024, 16 * 1024)
            with open(os.path.join(folder, f"f{j:03d}.dat"), "wb") as out:
                out.write(block[:size])
            made += 1
    return made


def large(root, count, mib):
    os.makedirs(root, exist_ok=True)
    chunk = os.urandom(1 << 20)
    for i in range(count):
        with open(os.path.join(root, f"big{i}.bin"), "wb") as out:
            for _ in range(mib):
                out.write(chunk)


if __name__ == "__main__":
    kind, root = sys.argv[1], sys.argv[2]
    if kind == "small":
        small(root, int(sys.argv[3]), int(sys.argv[4]))
    else:
        large(root, int(sys.argv[3]), int(sys.argv[4]))
