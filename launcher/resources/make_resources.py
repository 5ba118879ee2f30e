#!/usr/bin/env python3
"""Makes the launcher's resources from nothing but arithmetic: the splash
picture (bitmap 102: 480 x 350, 24 bits, a packed DIB of 504042 bytes), the
program icon (nine images: 48, 32 and 16 pixels at 4, 8 and 32 bits) and, for
programs without a resource section, a C++ table of the bitmap and of dialog
template 103.

usage: make_resources.py OUTPUT_FOLDER
writes splash.bmp, quillmark.ico and EmbeddedResources.cpp there."""

import math
import os
import struct
import sys

SPLASH_WIDTH, SPLASH_HEIGHT = 480, 350
# The product's bitmap declares two bytes more than its rows need.
SPLASH_IMAGE_SIZE = 504002


def splash_pixel(x, y):
    """The splash picture: an evening sky over hills, a sun, and a framed
    photograph in front. Returns (r, g, b) for the pixel at x, y (top-down)."""
    t = y / (SPLASH_HEIGHT - 1)
    r, g, b = int(40 + 150 * t), int(30 + 90 * t), int(110 - 40 * t)
    dx, dy = x - 360, y - 120
    if dx * dx + dy * dy < 45 * 45:
        r, g, b = 250, 200, 90
    hill = 250 + 30 * math.sin(x / 40.0) + 15 * math.sin(x / 13.0)
    if y > hill:
        r, g, b = 30, int(90 + (y - hill) / 3), 60
    if 60 <= x < 260 and 70 <= y < 230:
        inner = 70 <= x < 250 and 80 <= y < 220
        if not inner:
            r, g, b = 245, 240, 225
        else:
            u, v = (x - 70) / 180.0, (y - 80) / 140.0
            r, g, b = int(60 + 150 * u), int(120 + 100 * v), int(200 - 120 * u * v)
    if 40 <= y < 44 and 60 <= x < 420:
        r, g, b = 255, 255, 255
    return r, g, b


def splash_dib():
    header = struct.pack('<IiiHHIIiiII', 40, SPLASH_WIDTH, SPLASH_HEIGHT, 1, 24, 0, SPLASH_IMAGE_SIZE,
                         2835, 2835, 0, 0)
    row_bytes = (SPLASH_WIDTH * 24 + 31) // 32 * 4
    rows = []
    for y in range(SPLASH_HEIGHT - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(SPLASH_WIDTH):
            r, g, b = splash_pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        rows.append(bytes(row))
    bits = b''.join(rows)
    bits += bytes(SPLASH_IMAGE_SIZE - len(bits))
    dib = header + bits
    assert len(dib) == 504042
    return dib


def bmp_file(dib):
    return struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, 14 + 40) + dib


def icon_pixel(x, y, size):
    """A photo icon: a rounded frame with a lens; (r, g, b, alpha)."""
    s = size / 48.0
    cx, cy = x - size / 2 + 0.5, y - size / 2 + 0.5
    half = 21 * s
    if abs(cx) > half or abs(cy) > half * 0.8:
        return 0, 0, 0, 0
    if cx * cx + cy * cy < (10 * s) ** 2:
        return 20, 60, 140, 255
    if cx * cx + cy * cy < (13 * s) ** 2:
        return 230, 230, 230, 255
    return 200, 80, 40, 255


def nearest(palette, rgb):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))


def icon_image(size, bits):
    palette = []
    if bits == 4:
        palette = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
                   (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
                   (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    elif bits == 8:
        palette = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
        palette += [(i * 6, i * 6, i * 6) for i in range(256 - len(palette))]
    xor_row = (size * bits + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    xor, mask = bytearray(), bytearray()
    for y in range(size - 1, -1, -1):
        row, mrow, nibble = bytearray(), bytearray(and_row), None
        for x in range(size):
            r, g, b, a = icon_pixel(x, y, size)
            if a == 0:
                mrow[x // 8] |= 0x80 >> (x % 8)
            if bits == 32:
                row += bytes((b, g, r, a))
            elif bits == 8:
                row.append(nearest(palette, (r, g, b)) if a else 0)
            else:
                index = nearest(palette, (r, g, b)) if a else 0
                if nibble is None:
                    nibble = index
                else:
                    row.append(nibble << 4 | index)
                    nibble = None
        if nibble is not None:
            row.append(nibble << 4)
        row += bytes(xor_row - len(row))
        xor += row
        mask += mrow
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, len(xor) + len(mask), 0, 0,
                         len(palette) if bits <= 8 else 0, 0)
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + bytes(xor) + bytes(mask)


def icon_file():
    images = [(size, bits, icon_image(size, bits)) for size in (48, 32, 16) for bits in (4, 8, 32)]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b'', b''
    for size, bits, image in images:
        entries += struct.pack('<BBBBHHII', size, size, 16 if bits == 4 else 0, 0, 1, bits, len(image),
                               offset + len(data))
        data += image
    return directory + entries + data


def dialog_template():
    """Template 103 in the classic layout a resource compiler writes: popup
    with a border and a font, no controls, 323 x 213 units, 8-point font."""
    def text(s):
        return s.encode('utf-16-le') + b'\0\0'
    return (struct.pack('<IIHhhhh', 0x80800040, 0, 0, 0, 0, 323, 213) + b'\0\0' + b'\0\0' + text('') +
            struct.pack('<H', 8) + text('MS Sans Serif'))


def cpp_array(name, data):
    """A string literal compiles much faster than a list of numbers."""
    lines = []
    for i in range(0, len(data), 64):
        lines.append('    "' + ''.join('\\%03o' % b for b in data[i:i + 64]) + '"')
    return ('const char %sText[%d] =\n%s;\nconst unsigned char* const %s = reinterpret_cast<const unsigned char*>'
            '(%sText);\nconstexpr size_t %sSize = %d;\n' % (name, len(data) + 1, '\n'.join(lines), name, name,
                                                             name, len(data)))


def embedded_cpp(dib, dialog):
    return ('// Generated by launcher/resources/make_resources.py; do not edit.\n'
            '#include "platform/Resources.h"\n\n#include <cstddef>\n\nnamespace {\n\n' + cpp_array('kSplashBitmap', dib) + '\n' +
            cpp_array('kSplashDialog', dialog) + '\n'
            'const platform::EmbeddedResource kResources[] = {\n'
            '    {platform::kResourceTypeBitmap, 102, kSplashBitmap, kSplashBitmapSize},\n'
            '    {platform::kResourceTypeDialog, 103, kSplashDialog, kSplashDialogSize},\n'
            '};\n\n'
            'const bool kRegistered = (platform::RegisterEmbeddedResources(kResources, 2), true);\n\n'
            '} // namespace\n')


def write_if_changed(path, data):
    if isinstance(data, str):
        data = data.encode()
    if os.path.exists(path) and open(path, 'rb').read() == data:
        return
    with open(path, 'wb') as f:
        f.write(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    dib = splash_dib()
    write_if_changed(os.path.join(out, 'splash.bmp'), bmp_file(dib))
    write_if_changed(os.path.join(out, 'quillmark.ico'), icon_file())
    write_if_changed(os.path.join(out, 'EmbeddedResources.cpp'), embedded_cpp(dib, dialog_template()))


if __name__ == '__main__':
    main()
