#!/usr/bin/env python3
"""An independent reader of the 2D (.VL2) and 3D (.VL3) image files, written from
the file layout alone with numpy: it checks the parameter block word by word and
prints the sizes, the text, the sum of each channel's plane and, when asked, the
channel values of some pixels.

    read_image.py FILE [X,Y ...]
"""
import sys

import numpy as np

BLOCK = 128


def fail(path, why):
    print(f"{path}: {why}")
    sys.exit(1)


def read(path, pixels):
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError as e:
        fail(path, e.strerror)
    if len(raw) < 2 * BLOCK:
        fail(path, "shorter than its two blocks")
    params, text = raw[-2 * BLOCK:-BLOCK], raw[-BLOCK:]
    ints = np.frombuffer(params, dtype="<i4")
    floats = np.frombuffer(params, dtype="<f4")
    dims, x, y, z = (int(v) for v in (ints[0], ints[3], ints[4], ints[5]))
    if dims not in (2, 3) or (dims == 2 and z != 1):
        fail(path, f"dimension count {dims} with third size {z}")
    if ints[1] != 0 or ints[2] != 0:
        fail(path, "bytes 4 to 11 are not zero")
    if list(floats[6:13]) != [1.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0]:
        fail(path, f"scale words {list(floats[6:13])}")
    if ints[13] != 256:
        fail(path, f"word at 52 is {ints[13]}, not 256")
    if any(params[56:]):
        fail(path, "reserved bytes 56 to 127 are not zero")
    data = np.frombuffer(raw[:-2 * BLOCK], dtype="<f4")
    if data.size != x * y * z:
        fail(path, f"{data.size} values for {x} x {y} x {z}")
    # Row after row, column after column; in 3D each pixel's channels together.
    cube = data.reshape(y, x, z)
    words = text.split(b"\0")[0].decode("ascii")
    print(f"dimensions {dims} size {x} {y} {z} text '{words}'")
    print("sums " + " ".join("%.0f" % s for s in cube.sum(axis=(0, 1), dtype=np.float64)))
    for pixel in pixels:
        px, py = (int(v) for v in pixel.split(","))
        print(f"pixel {px} {py}: " + " ".join("%.0f" % v for v in cube[py, px, :]))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__)
        sys.exit(2)
    read(sys.argv[1], sys.argv[2:])
