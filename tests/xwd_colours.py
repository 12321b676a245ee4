#!/usr/bin/env python3
"""xwd_colours.py FILE.xwd: how many colours an xwd dump shows, sampled
every fourth pixel each way (1 for a window of one colour)."""
import struct
import sys

data = open(sys.argv[1], "rb").read()
fields = struct.unpack(">25I", data[:100])  # the header, big-endian
header_size, width, height = fields[0], fields[4], fields[5]
bits_per_pixel, bytes_per_line, colour_entries = fields[11], fields[12], fields[19]
pixels = data[header_size + 12 * colour_entries:]
step = bits_per_pixel // 8
seen = set()
for y in range(0, height, 4):
    row = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
    for x in range(0, width * step, 4 * step):
        seen.add(row[x:x + step])
print(len(seen))
