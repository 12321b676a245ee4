#!/usr/bin/env python3
"""screenshot_colours.py SHOT.png MEASURE: what a compositor's screenshot
shows, read through ffmpeg as RGB. MEASURE is
  colours  how many colours of colour (not grey: channels more than 32
           apart) it shows, sampled every second pixel each way: a picture
           of a visualisation shows hundreds, a desktop's greys and a
           toolkit's few accent tints a few dozen at most;
  green    how many sampled pixels are pure green, give or take 48;
  filled   1 when the four corners are black (a picture covers the screen,
           panel and background included), else 0."""
import subprocess
import sys

shot, measure = sys.argv[1], sys.argv[2]
size = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                       "stream=width,height", "-of", "csv=p=0", shot],
                      check=True, capture_output=True, text=True).stdout.strip()
width, height = (int(v) for v in size.split(","))
data = subprocess.run(["ffmpeg", "-v", "error", "-i", shot, "-f", "rawvideo", "-pix_fmt", "rgb24",
                       "-"], check=True, capture_output=True).stdout


def pixel(x, y):
    at = (y * width + x) * 3
    return data[at], data[at + 1], data[at + 2]


if measure == "filled":
    corners = [pixel(x, y) for x in (0, width - 1) for y in (0, height - 1)]
    print(1 if all(max(c) < 16 for c in corners) else 0)
    sys.exit(0)
seen, green = set(), 0
for y in range(0, height, 2):
    for x in range(0, width, 2):
        r, g, b = pixel(x, y)
        if max(r, g, b) - min(r, g, b) > 32:
            seen.add((r, g, b))
        if g > 207 and r < 48 and b < 48:
            green += 1
print(len(seen) if measure == "colours" else green)
