#!/usr/bin/env python3
"""xwd_colours.py FILE.xwd [RRGGBB]: how many colours an xwd dump shows,
sampled every fourth pixel each way (1 for a window of one colour); with a
colour, how many of the sampled pixels are of it, give or take 16 in each
channel (a picture's colours come out of a YUV source or a scaler a little
off)."""
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
if len(sys.argv) > 2:
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    order = "little" if fields[7] == 0 else "big"
    wanted = int(sys.argv[2], 16)
    wanted = [wanted >> 16, wanted >> 8 & 0xFF, wanted & 0xFF]

    def near(pixel):
        value = int.from_bytes(pixel, order)
        channels = [(value & mask) >> ((mask & -mask).bit_length() - 1)
                    for mask in (red_mask, green_mask, blue_mask)]
        return all(abs(a - b) <= 16 for a, b in zip(channels, wanted))
    count = 0
    for y in range(0, height, 4):
        row = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        count += sum(near(row[x:x + step]) for x in range(0, width * step, 4 * step))
    print(count)
else:
    print(len(seen))
