#!/usr/bin/env python3
"""Reads an observation's FITS file with astropy and accounts for every event,
header value, channel record and cube plane against the log and the photon files.
Usage: fits_astropy_check.py FITS DATA_DIRECTORY. Prints "astropy: ok" or the
first difference (exit 1)."""
import glob
import os
import re
import sys

import numpy as np
from astropy.io import fits

path, directory = sys.argv[1], sys.argv[2]
log = open(glob.glob(os.path.join(directory, "*.VLT"))[0], encoding="latin-1").read()
header = fits.open(path, memmap=False)
primary = header[0].header


def fail(text):
    print("astropy: " + text)
    sys.exit(1)


def expect(what, got, wanted):
    if got != wanted:
        fail(f"{what}: {got!r} instead of {wanted!r}")


expect("OBJECT", primary["OBJECT"], re.search(r"^Identification = (.*)$", log, re.M).group(1))
expect("NCHANNEL", primary["NCHANNEL"], int(re.search(r"^Number of channels = (\d+)", log, re.M).group(1)))
expect("LAMBDA", primary["LAMBDA"], float(re.search(r"^Scanning wavelength= *([\d.]+)", log, re.M).group(1)))
expect("QGCONST", primary["QGCONST"], float(re.search(r"^Queensgate constant= *([\d.]+)", log, re.M).group(1)))
expect("CHANEXP", primary["CHANEXP"], int(re.search(r"^Exposure time per channel = (\d+)", log, re.M).group(1)))
expect("CAMERA", primary["CAMERA"], re.search(r"^IPCS type = (.*)$", log, re.M).group(1))
day, month, year = re.search(r"^(\d\d)/(\d\d)/(\d{4}) ", log, re.M).groups()
expect("DATE-OBS day", primary["DATE-OBS"][:10], f"{year}-{month}-{day}")

records = re.findall(r"Was acquired at ..:..:..: ch=(\d+)  cy=(\d+)  QGval=([+-]\d+)  ph=(\d+)  fr=(\d+)", log)
rows = header["CHANNELS"].data
expect("channel rows", len(rows), len(records))
for row, (ch, cy, qg, ph, fr) in zip(rows, records):
    expect("channel record", (int(row["CHANNEL"]), int(row["CYCLE"]), int(row["QGVAL"]), int(row["PHOTONS"]),
                              int(row["FRAMES"])), (int(ch), int(cy), int(qg), int(ph), int(fr)))

fmt = primary["DATAFMT"]
dtype = {0: [("Y", "<i2"), ("X", "<i2")], 1: [("Y", "<i2"), ("X", "<i2"), ("FRAME", "<i4")],
         2: [("X", "u1"), ("Y", "u1")]}[fmt]
prefix = primary["OBS_ID"]
parts, per_channel = [], {}
for ch, cy, *_ in records:
    name = f"{prefix}{int(cy):02d}{int(ch):02d}.VLA"
    data = np.fromfile(os.path.join(directory, name), dtype=dtype)
    parts.append((data, int(ch), int(cy)))
    per_channel[int(ch)] = per_channel.get(int(ch), 0) + len(data)
events = header["EVENTS"].data
expect("HDUCLAS1", header["EVENTS"].header["HDUCLAS1"], "EVENTS")
expect("events", len(events), sum(len(d) for d, _, _ in parts))
at = 0
for data, ch, cy in parts:
    chunk = events[at:at + len(data)]
    for column in ("X", "Y") + (("FRAME",) if fmt == 1 else ()):
        if not np.array_equal(chunk[column].astype(np.int64), data[column].astype(np.int64)):
            fail(f"{column} of channel {ch} cycle {cy} differs")
    if not (np.all(chunk["CHANNEL"] == ch) and np.all(chunk["CYCLE"] == cy)):
        fail(f"CHANNEL or CYCLE of channel {ch} cycle {cy} differs")
    at += len(data)

cube = header["CUBE"].data
expect("cube planes", cube.shape[0], primary["NCHANNEL"])
for c in range(1, cube.shape[0] + 1):
    expect(f"plane {c}", int(cube[c - 1].sum()), per_channel.get(c, 0))
print(f"astropy: ok, {len(events)} events, {len(rows)} channel records, {cube.shape[0]} planes")
