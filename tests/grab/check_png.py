#!/usr/bin/env python3
"""Reads a PNG file with the standard library alone and checks its structure.

As a program:  check_png.py FILE --width W --height H --colour-type T
checks the signature, every chunk's CRC, IHDR (size, 8-bit depth, colour type,
no interlace) and that the inflated IDAT data has exactly the size the header
implies; exit code 0 when the file passes, 1 with the reason otherwise.

As a module it also gives the decoded pixels (filters undone, palette applied),
for tests that compare picture content.
"""
import argparse
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}   # samples per pixel by colour type


class PngError(Exception):
    pass


class PngImage:
    def __init__(self, width, height, bit_depth, colour_type, interlace, palette, data):
        self.width = width
        self.height = height
        self.bit_depth = bit_depth
        self.colour_type = colour_type
        self.interlace = interlace
        self.palette = palette      # list of (r, g, b) or None
        self.data = data            # inflated IDAT bytes: filter byte + row, per row

    def row_bytes(self):
        bits = self.width * CHANNELS[self.colour_type] * self.bit_depth
        return (bits + 7) // 8

    def expected_data_size(self):
        return self.height * (1 + self.row_bytes())

    def rows(self):
        """The rows as lists of (r, g, b); 8-bit, non-interlaced files only."""
        if self.bit_depth != 8 or self.interlace != 0 or self.colour_type not in (0, 2, 3, 6):
            raise PngError("only 8-bit non-interlaced grey, RGB, RGBA or palette files are decoded")
        bpp = CHANNELS[self.colour_type]
        stride = self.row_bytes()
        previous = bytearray(stride)
        result = []
        for y in range(self.height):
            start = y * (stride + 1)
            kind = self.data[start]
            line = bytearray(self.data[start + 1:start + 1 + stride])
            unfilter(kind, line, previous, bpp, y)
            result.append(self._pixels(line, bpp))
            previous = line
        return result

    def _pixels(self, line, bpp):
        if self.colour_type == 0:
            return [(v, v, v) for v in line]
        if self.colour_type == 3:
            if self.palette is None:
                raise PngError("palette image without PLTE")
            try:
                return [self.palette[i] for i in line]
            except IndexError:
                raise PngError("pixel index beyond the palette") from None
        return [tuple(line[i:i + 3]) for i in range(0, len(line), bpp)]


def unfilter(kind, line, previous, bpp, y):
    if kind == 0:
        return
    for i in range(len(line)):
        a = line[i - bpp] if i >= bpp else 0
        b = previous[i]
        c = previous[i - bpp] if i >= bpp else 0
        if kind == 1:
            predictor = a
        elif kind == 2:
            predictor = b
        elif kind == 3:
            predictor = (a + b) // 2
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            predictor = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        else:
            raise PngError("row %d: unknown filter type %d" % (y, kind))
        line[i] = (line[i] + predictor) & 0xFF


def read_png(path):
    with open(path, "rb") as f:
        content = f.read()
    if content[:8] != SIGNATURE:
        raise PngError("no PNG signature")
    pos = 8
    chunks = []
    while pos < len(content):
        if pos + 12 > len(content):
            raise PngError("truncated chunk at offset %d" % pos)
        (length,) = struct.unpack(">I", content[pos:pos + 4])
        kind = content[pos + 4:pos + 8]
        body = content[pos + 8:pos + 8 + length]
        if len(body) != length or pos + 12 + length > len(content):
            raise PngError("chunk %r runs past the end of the file" % kind)
        (crc,) = struct.unpack(">I", content[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise PngError("chunk %r has a wrong CRC" % kind)
        chunks.append((kind, body))
        pos += 12 + length
    kinds = [kind for kind, _ in chunks]
    if not kinds or kinds[0] != b"IHDR":
        raise PngError("the first chunk is not IHDR")
    if kinds[-1] != b"IEND":
        raise PngError("the last chunk is not IEND")
    idat = [i for i, kind in enumerate(kinds) if kind == b"IDAT"]
    if not idat:
        raise PngError("no IDAT chunk")
    if idat != list(range(idat[0], idat[-1] + 1)):
        raise PngError("IDAT chunks are not consecutive")

    header = chunks[0][1]
    if len(header) != 13:
        raise PngError("IHDR has %d bytes, not 13" % len(header))
    width, height, bit_depth, colour_type, compression, filter_method, interlace = \
        struct.unpack(">IIBBBBB", header)
    if colour_type not in CHANNELS:
        raise PngError("unknown colour type %d" % colour_type)
    if compression != 0 or filter_method != 0:
        raise PngError("unknown compression or filter method")

    palette = None
    for kind, body in chunks:
        if kind == b"PLTE":
            if len(body) % 3 != 0:
                raise PngError("PLTE length is not a multiple of 3")
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
    try:
        data = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    except zlib.error as error:
        raise PngError("IDAT data does not inflate: %s" % error) from None
    return PngImage(width, height, bit_depth, colour_type, interlace, palette, data)


def check_png(path, width, height, colour_type):
    """Reads and checks the file; returns the PngImage or raises PngError."""
    image = read_png(path)
    if (image.width, image.height) != (width, height):
        raise PngError("IHDR size %d x %d, expected %d x %d" % (image.width, image.height, width, height))
    if image.colour_type != colour_type:
        raise PngError("IHDR colour type %d, expected %d" % (image.colour_type, colour_type))
    if image.bit_depth != 8:
        raise PngError("IHDR bit depth %d, expected 8" % image.bit_depth)
    if image.interlace != 0:
        raise PngError("the file is interlaced")
    if colour_type == 3 and image.palette is None:
        raise PngError("palette image without PLTE")
    if len(image.data) != image.expected_data_size():
        raise PngError("IDAT inflates to %d bytes, expected %d" % (len(image.data), image.expected_data_size()))
    return image


def main(argv):
    parser = argparse.ArgumentParser(description="Checks the structure of a PNG file.")
    parser.add_argument("file")
    parser.add_argument("--width", type=int, required=True)
    parser.add_argument("--height", type=int, required=True)
    parser.add_argument("--colour-type", type=int, required=True,
                        help="0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA")
    args = parser.parse_args(argv)
    try:
        check_png(args.file, args.width, args.height, args.colour_type)
    except (PngError, OSError) as error:
        print("%s: %s" % (args.file, error), file=sys.stderr)
        return 1
    print("%s: %d x %d, colour type %d" % (args.file, args.width, args.height, args.colour_type))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
