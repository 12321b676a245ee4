#!/usr/bin/env python3
"""What a recording of a sink's monitor (16-bit stereo WAV at 44.1 kHz) holds,
read as the recorder writes it: the samples after "data".

  recorded_sound.py tone FILE      seconds of tone (tenths of a second with a
                                   peak past 500) and the highest peak
  recorded_sound.py silence FILE [BOUNDARY...]
                                   the longest silence (ms) between the first
                                   sound and the last, that span (s), where
                                   that silence starts (s from the first
                                   sound), and the longest silence (ms) within
                                   60 ms of a BOUNDARY (s from the first sound)
"""
import struct
import sys


def samples(path):
    data = open(path, "rb").read()
    at = data.find(b"data", 12, 512)
    raw = data[at + 8 :] if at > 0 else b""
    return struct.unpack(f"<{len(raw) // 2}h", raw[: len(raw) // 2 * 2])


def tone(path):
    both = samples(path)
    step = 4410 * 2  # a tenth of a second of both channels
    peaks = [max(map(abs, both[i : i + step])) for i in range(0, len(both), step)]
    return f"{sum(1 for peak in peaks if peak > 500) / 10} {max(peaks, default=0)}"


def silence(path, *boundaries):
    left = samples(path)[::2]
    loud = [i for i, x in enumerate(left) if abs(x) > 2000]
    if not loud:
        sys.exit("nothing heard")
    runs = []  # (start, length) in samples from the first sound
    run = 0
    for i, x in enumerate(left[loud[0] : loud[-1]]):
        if abs(x) < 100:
            run += 1
        elif run:
            runs.append((i - run, run))
            run = 0
    at, longest = max(runs, key=lambda r: r[1], default=(0, 0))
    near = 0.06 * 44100
    bounds = [float(b) * 44100 for b in boundaries]
    at_bound = max(
        (n for s, n in runs if any(s - near <= b <= s + n + near for b in bounds)),
        default=0,
    )
    return (
        f"{longest / 44.1:.1f} {(loud[-1] - loud[0]) / 44100:.3f} "
        f"{at / 44100:.3f} {at_bound / 44.1:.1f}"
    )


if __name__ == "__main__":
    print({"tone": tone, "silence": silence}[sys.argv[1]](*sys.argv[2:]))
