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


def later(root, count, mib):
    """A first folder with a few small files and a large one, empty folders walked while
    that large file is copied and the other copying threads go to sleep, then the large
    files in a last folder."""
    small(os.path.join(root, "a"), 8, 1)
    large(os.path.join(root, "a"), 1, mib)
    for i in range(100):
        os.makedirs(os.path.join(root, f"m{i:03d}"))
    large(os.path.join(root, "z"), count, mib)


if __name__ == "__main__":
    kind, root = sys.argv[1], sys.argv[2]
    if kind == "small":
        small(root, int(sys.argv[3]), int(sys.argv[4]))
    elif kind == "later":
        later(root, int(sys.argv[3]), int(sys.argv[4]))
    else:
        large(root, int(sys.argv[3]), int(sys.argv[4]))
