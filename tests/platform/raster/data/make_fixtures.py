#!/usr/bin/python3
"""Writes the codec test pictures in this folder.

Run from anywhere with Debian's python3 (python3-pil) and ImageMagick's `convert` on PATH.
The BMP and ICO files are assembled byte by byte so that every header variant, row order and
run-length escape the tests name is present exactly once; the other formats come from PIL and
ImageMagick. The expected pixels are spelled out again in CodecDecodeTest.cpp: keep the two
in step.
"""
import io
import os
import struct
import subprocess
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
MALFORMED = os.path.join(HERE, "malformed")

# The reference picture: 5 x 3 straight ARGB, top row first.
REF = [
    [0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000],
    [0x80FFFF00, 0x8000FFFF, 0x80FF00FF, 0x80808080, 0x80FF8000],
    [0x00204060, 0x40602040, 0xC8406020, 0x01C0C0C0, 0xFF102030],
]
W, H = 5, 3


def argb(p):
    return (p >> 24) & 255, (p >> 16) & 255, (p >> 8) & 255, p & 255


def ref_image(alpha=True):
    im = Image.new("RGBA", (W, H))
    for y in range(H):
        for x in range(W):
            a, r, g, b = argb(REF[y][x])
            im.putpixel((x, y), (r, g, b, a if alpha else 255))
    return im


def opaque_colours():
    return [REF[y][x] | 0xFF000000 for y in range(H) for x in range(W)]


def write(name, data, folder=HERE):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def run(*args):
    subprocess.run(args, check=True, cwd=HERE)


# ---- BMP and DIB ------------------------------------------------------------------------------

def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def info_header(width, height, bits, compression=0, size_image=0, colours_used=0, header_size=40,
                masks=None):
    h = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression, size_image,
                    2835, 2835, colours_used, 0)
    if header_size > 40:
        extra = b""
        m = list(masks or [0, 0, 0, 0])
        extra += struct.pack("<IIII", *m)
        if header_size >= 108:
            extra += b"BGRs" + bytes(36) + bytes(12)  # colour space, endpoints, gamma
        if header_size >= 124:
            extra += struct.pack("<IIII", 4, 0, 0, 0)  # intent, profile, reserved
        h += extra[: header_size - 40]
    return h


def file_header(dib_and_pixels_len, pixel_offset):
    return b"BM" + struct.pack("<IHHI", 14 + dib_and_pixels_len, 0, 0, pixel_offset)


def bmp(dib_header, palette, rows_bytes):
    body = dib_header + palette + rows_bytes
    return file_header(len(body), 14 + len(dib_header) + len(palette)) + body


def palette_bytes(colours, entry=4):
    out = b""
    for c in colours:
        _, r, g, b = argb(c)
        out += bytes([b, g, r] + ([0] if entry == 4 else []))
    return out


def pack_indexes(indexes, bits, width):
    row = bytearray(stride(width, bits))
    for x, v in enumerate(indexes):
        bitpos = x * bits
        row[bitpos // 8] |= v << (8 - bits - bitpos % 8)
    return bytes(row)


def rows_bottom_up(rows):
    return b"".join(reversed(rows))


def indexed_rows(bits, palette):
    index = {c: i for i, c in enumerate(palette)}
    return [pack_indexes([index[REF[y][x] | 0xFF000000] for x in range(W)], bits, W) for y in range(H)]


def pixel_rows(encode, bits):
    rows = []
    for y in range(H):
        row = b"".join(encode(REF[y][x]) for x in range(W))
        rows.append(row + bytes(stride(W, bits) - len(row)))
    return rows


def bgr(p):
    _, r, g, b = argb(p)
    return bytes([b, g, r])


def make_bmps():
    pal = opaque_colours()
    # 1 bit: a checkerboard in two colours that are not black and white.
    two = [0xFF336699, 0xFFFFCC00]
    rows = [pack_indexes([(x + y) % 2 for x in range(W)], 1, W) for y in range(H)]
    write("bmp_1bit.bmp", bmp(info_header(W, H, 1), palette_bytes(two), rows_bottom_up(rows)))
    write("bmp_4bit.bmp", bmp(info_header(W, H, 4, colours_used=15), palette_bytes(pal),
                              rows_bottom_up(indexed_rows(4, pal))))
    write("bmp_8bit.bmp", bmp(info_header(W, H, 8, colours_used=15), palette_bytes(pal),
                              rows_bottom_up(indexed_rows(8, pal))))
    write("bmp_8bit_topdown.bmp", bmp(info_header(W, -H, 8, colours_used=15), palette_bytes(pal),
                                      b"".join(indexed_rows(8, pal))))
    write("bmp_core_8bit.bmp", bmp(struct.pack("<IHHHH", 12, W, H, 1, 8),
                                   palette_bytes(pal + [0xFF000000] * (256 - len(pal)), entry=3),
                                   rows_bottom_up(indexed_rows(8, pal))))
    write("bmp_24_bottomup.bmp", bmp(info_header(W, H, 24), b"", rows_bottom_up(pixel_rows(bgr, 24))))
    write("bmp_24_topdown.bmp", bmp(info_header(W, -H, 24), b"", b"".join(pixel_rows(bgr, 24))))
    # The last row without its padding, as some writers leave it.
    full = rows_bottom_up(pixel_rows(bgr, 24))
    write("bmp_24_short_last_row.bmp", bmp(info_header(W, H, 24), b"", full[: len(full) - 1]))

    def rgb555(p):
        _, r, g, b = argb(p)
        return struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))

    def rgb565(p):
        _, r, g, b = argb(p)
        return struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3))

    write("bmp_16_555.bmp", bmp(info_header(W, H, 16), b"", rows_bottom_up(pixel_rows(rgb555, 16))))
    write("bmp_16_565_bitfields.bmp",
          bmp(info_header(W, H, 16, compression=3), struct.pack("<III", 0xF800, 0x07E0, 0x001F),
              rows_bottom_up(pixel_rows(rgb565, 16))))

    def bgra_garbage_alpha(p):
        return bgr(p) + bytes([0x00 if (p & 1) else 0x37])

    def bgra(p):
        a, r, g, b = argb(p)
        return bytes([b, g, r, a])

    write("bmp_32_rgb.bmp", bmp(info_header(W, H, 32), b"", rows_bottom_up(pixel_rows(bgra_garbage_alpha, 32))))
    write("bmp_32_v5_alpha.bmp",
          bmp(info_header(W, H, 32, compression=3, header_size=124,
                          masks=[0xFF0000, 0xFF00, 0xFF, 0xFF000000]), b"",
              rows_bottom_up(pixel_rows(bgra, 32))))
    write("bmp_32_v4_rgb_alpha.bmp",
          bmp(info_header(W, H, 32, compression=0, header_size=108,
                          masks=[0xFF0000, 0xFF00, 0xFF, 0xFF000000]), b"",
              rows_bottom_up(pixel_rows(bgra, 32))))
    # A version 3 header (56 bytes) with bit fields and no alpha mask: opaque.
    write("bmp_32_info_bitfields.bmp",
          bmp(info_header(W, H, 32, compression=3), struct.pack("<III", 0xFF0000, 0xFF00, 0xFF),
              rows_bottom_up(pixel_rows(bgra, 32))))

    # Run-length: 8 x 4 pictures over four colours; CodecDecodeTest.cpp spells out the result.
    rle_palette = palette_bytes([0xFF000080, 0xFF00C000, 0xFFC00000, 0xFFFFFFFF])
    rle8 = bytes([
        8, 1, 0, 0,                    # bottom row: eight of colour 1, end of line
        0, 3, 2, 3, 2, 0, 5, 0, 0, 0,  # literal 2 3 2 (padded), five of 0, end of line
        2, 2, 0, 2, 3, 1,              # two of 2, then move 3 right and 1 up
        3, 3, 0, 1,                    # three of 3, end of picture
    ])
    write("bmp_rle8.bmp", bmp(info_header(8, 4, 8, compression=1, size_image=len(rle8), colours_used=4),
                              rle_palette, rle8))
    rle4 = bytes([
        8, 0x12, 0, 0,                            # 1 2 1 2 1 2 1 2
        0, 5, 0x23, 0x01, 0x30, 0, 3, 0x00, 0, 0,  # literal 2 3 0 1 3 (padded), three of 0
        2, 0x33, 0, 2, 4, 1,                      # 3 3, then move 4 right and 1 up
        2, 0x21, 0, 1,                            # 2 1, end of picture
    ])
    write("bmp_rle4.bmp", bmp(info_header(8, 4, 4, compression=2, size_image=len(rle4), colours_used=4),
                              rle_palette, rle4))
    return rle8, rle_palette


def make_tool_bmps():
    ref_image(alpha=False).convert("RGB").save(os.path.join(HERE, "bmp_pil_24.bmp"))
    ref_image().save(os.path.join(HERE, "ref_rgba.png"))
    ref_image(alpha=False).convert("RGB").save(os.path.join(HERE, "ref_rgb.png"))
    run("convert", "ref_rgba.png", "BMP:bmp_im_v5_alpha.bmp")
    run("convert", "ref_rgb.png", "BMP2:bmp_im_os2.bmp")
    run("convert", "ref_rgb.png", "-type", "Palette", "-compress", "RLE", "BMP3:bmp_im_rle8.bmp")


# ---- ICO --------------------------------------------------------------------------------------

def dib_for_icon(pixels, width, height, bits, palette=None, and_mask=None):
    """pixels: rows (top first) of straight ARGB values; and_mask: rows of 0/1 (1 = transparent)."""
    header = info_header(width, height * 2, bits, colours_used=len(palette) if palette else 0)
    pal = palette_bytes(palette) if palette else b""
    rows = []
    for y in range(height):
        if bits <= 8:
            index = {c: i for i, c in enumerate(palette)}
            rows.append(pack_indexes([index[pixels[y][x] | 0xFF000000] for x in range(width)], bits, width))
        else:
            row = b""
            for x in range(width):
                a, r, g, b = argb(pixels[y][x])
                row += bytes([b, g, r] + ([a] if bits == 32 else []))
            rows.append(row + bytes(stride(width, bits) - len(row)))
    mask = and_mask or [[0] * width for _ in range(height)]
    mask_rows = [pack_indexes(mask[y], 1, width) for y in range(height)]
    return header + pal + rows_bottom_up(rows) + rows_bottom_up(mask_rows)


def ico(entries):
    """entries: list of (directory width, height, bit count, bytes)."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    blobs = b""
    for (w, h, bits, data) in entries:
        out += struct.pack("<BBBBHHII", w & 255, h & 255, 0, 0, 1, bits, len(data), offset + len(blobs))
        blobs += data
    return out + blobs


def png_bytes(im):
    buf = io.BytesIO()
    im.save(buf, "PNG")
    return buf.getvalue()


def make_icos():
    pal = opaque_colours()
    low_alpha = [[1 if (REF[y][x] >> 24) < 128 else 0 for x in range(W)] for y in range(H)]
    small = [[0xFF00FF00] * 2 for _ in range(2)]
    write("ico_png_entry.ico", ico([
        (2, 2, 32, dib_for_icon(small, 2, 2, 32)),
        (W, H, 32, png_bytes(ref_image())),
    ]))
    write("ico_deepest.ico", ico([
        (W, H, 4, dib_for_icon(REF, W, H, 4, palette=pal, and_mask=low_alpha)),
        (W, H, 32, dib_for_icon(REF, W, H, 32)),
        (W, H, 8, dib_for_icon(REF, W, H, 8, palette=pal, and_mask=low_alpha)),
        (2, 2, 32, dib_for_icon(small, 2, 2, 32)),
    ]))
    write("ico_8bit_and_mask.ico", ico([(W, H, 8, dib_for_icon(REF, W, H, 8, palette=pal, and_mask=low_alpha))]))
    zero_alpha = [[p & 0x00FFFFFF for p in row] for row in REF]
    write("ico_32_zero_alpha.ico", ico([(W, H, 32, dib_for_icon(zero_alpha, W, H, 32, and_mask=low_alpha))]))
    big = Image.new("RGBA", (32, 32), (0, 0, 255, 255))
    big.save(os.path.join(HERE, "ico_pil.ico"), sizes=[(16, 16), (32, 32)])


# ---- GIF --------------------------------------------------------------------------------------

GIF_COLOURS = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
               (255, 255, 255)]


def make_gifs():
    # 20 x 20: index (x + 3y) mod 7 + 1, and the transparent index 0 on the diagonal.
    im = Image.new("P", (20, 20))
    im.putpalette([c for rgb in GIF_COLOURS for c in rgb])
    for y in range(20):
        for x in range(20):
            im.putpixel((x, y), 0 if x == y else (x + 3 * y) % 7 + 1)
    im.save(os.path.join(HERE, "gif_interlaced.gif"), interlace=True, transparency=0)
    im.save(os.path.join(HERE, "gif_plain.gif"), interlace=False, transparency=0)
    # A 4 x 3 red frame at (3, 2) on a 10 x 8 screen.
    run("convert", "-size", "4x3", "xc:red", "-page", "10x8+3+2", "gif_offset.gif")
    # Two frames: the first counts.
    frames = [Image.new("P", (6, 4), i) for i in (1, 3)]
    for f in frames:
        f.putpalette([c for rgb in GIF_COLOURS for c in rgb])
    frames[0].save(os.path.join(HERE, "gif_animated.gif"), save_all=True, append_images=frames[1:], duration=100)


# ---- TIFF -------------------------------------------------------------------------------------

def make_tiffs():
    ref_image().save(os.path.join(HERE, "tiff_unassociated.tif"))  # PIL writes ExtraSamples = 2
    run("convert", "ref_rgba.png", "-define", "tiff:alpha=associated", "tiff_associated.tif")
    ref_image(alpha=False).convert("RGB").save(os.path.join(HERE, "tiff_rgb_lzw.tif"), compression="tiff_lzw")
    pal_im = ref_image(alpha=False).convert("RGB").quantize(colors=16)
    pal_im.save(os.path.join(HERE, "tiff_palette.tif"))
    first = ref_image(alpha=False).convert("RGB")
    second = Image.new("RGB", (7, 7), (0, 0, 255))
    first.save(os.path.join(HERE, "tiff_multipage.tif"), save_all=True, append_images=[second])


# ---- JPEG -------------------------------------------------------------------------------------

QUADRANTS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]  # TL, TR, BL, BR


def quadrants(width=64, height=48):
    im = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            im.putpixel((x, y), QUADRANTS[(2 if y >= height // 2 else 0) + (1 if x >= width // 2 else 0)])
    return im


def jpeg_bytes(im, **kw):
    buf = io.BytesIO()
    im.save(buf, "JPEG", **kw)
    return buf.getvalue()


def exif_app1(thumbnail, big_endian):
    e = ">" if big_endian else "<"
    tiff = (b"MM" if big_endian else b"II") + struct.pack(e + "HI", 42, 8)
    # IFD0: one entry (Orientation = 1), then the offset of IFD1.
    ifd0 = struct.pack(e + "H", 1) + struct.pack(e + "HHIHH", 0x0112, 3, 1, 1, 0)
    ifd1_offset = 8 + len(ifd0) + 4
    ifd0 += struct.pack(e + "I", ifd1_offset)
    entries = 3
    thumb_offset = ifd1_offset + 2 + entries * 12 + 4
    ifd1 = struct.pack(e + "H", entries)
    ifd1 += struct.pack(e + "HHIHH", 0x0103, 3, 1, 6, 0)
    ifd1 += struct.pack(e + "HHII", 0x0201, 4, 1, thumb_offset)
    ifd1 += struct.pack(e + "HHII", 0x0202, 4, 1, len(thumbnail))
    ifd1 += struct.pack(e + "I", 0)
    body = b"Exif\0\0" + tiff + ifd0 + ifd1 + thumbnail
    return b"\xFF\xE1" + struct.pack(">H", len(body) + 2) + body


def with_exif(main, thumbnail, big_endian=False):
    return main[:2] + exif_app1(thumbnail, big_endian) + main[2:]


def make_jpegs():
    q = quadrants()
    q.save(os.path.join(HERE, "jpeg_quadrants.jpg"), quality=95)
    q.save(os.path.join(HERE, "jpeg_progressive.jpg"), quality=95, progressive=True)
    q.convert("L").save(os.path.join(HERE, "jpeg_gray.jpg"), quality=95)
    q.save(os.path.join(HERE, "ref_quadrants.png"))
    run("convert", "ref_quadrants.png", "-colorspace", "CMYK", "-quality", "95", "jpeg_cmyk.jpg")
    main = jpeg_bytes(Image.new("RGB", (64, 48), (0, 0, 255)), quality=90)
    thumb = jpeg_bytes(Image.new("RGB", (16, 12), (255, 0, 0)), quality=90)
    square = jpeg_bytes(Image.new("RGB", (16, 16), (255, 0, 0)), quality=90)
    write("jpeg_exif_le.jpg", with_exif(main, thumb))
    write("jpeg_exif_be.jpg", with_exif(main, thumb, big_endian=True))
    write("jpeg_exif_square_thumbnail.jpg", with_exif(main, square))
    write("jpeg_exif_thumb.bin", thumb)  # what the parser must find in jpeg_exif_*.jpg


# ---- PNG --------------------------------------------------------------------------------------

def make_pngs():
    ref_image().save(os.path.join(HERE, "png_rgba.png"))
    p = Image.new("P", (W, H))
    colours = [REF[y][x] for y in range(H) for x in range(W)]
    p.putpalette([c for v in colours for c in argb(v)[1:]])
    for i in range(W * H):
        p.putpixel((i % W, i // W), i)
    p.save(os.path.join(HERE, "png_palette_trns.png"), transparency=bytes(argb(v)[0] for v in colours))
    g = Image.new("I;16", (3, 1))
    for x, v in enumerate([0, 0x8080, 0xFFFF]):
        g.putpixel((x, 0), v)
    g.save(os.path.join(HERE, "png_gray16.png"))
    grad = Image.new("RGB", (13, 11))
    for y in range(11):
        for x in range(13):
            grad.putpixel((x, y), (x * 19, y * 23, (x * y) % 256))
    grad.save(os.path.join(HERE, "png_plain.png"))
    run("convert", "png_plain.png", "-interlace", "PNG", "-define", "png:exclude-chunk=date,time", "png_interlaced.png")


# ---- Malformed --------------------------------------------------------------------------------

def read(name):
    with open(os.path.join(HERE, name), "rb") as f:
        return bytearray(f.read())


def png_with_ihdr(width, height):
    data = read("png_rgba.png")
    data[16:24] = struct.pack(">II", width, height)
    data[29:33] = struct.pack(">I", zlib.crc32(bytes(data[12:29])) & 0xFFFFFFFF)
    return data


def jpeg_with_size(width, height):
    data = read("jpeg_quadrants.jpg")
    at = 2
    while True:
        marker, length = data[at + 1], struct.unpack(">H", data[at + 2:at + 4])[0]
        if marker in (0xC0, 0xC2):
            data[at + 5:at + 9] = struct.pack(">HH", height, width)
            return data
        at += 2 + length


def tiff_with_size(width, height):
    data = read("tiff_rgb_lzw.tif")
    assert data[:2] == b"II"
    ifd = struct.unpack("<I", data[4:8])[0]
    count = struct.unpack("<H", data[ifd:ifd + 2])[0]
    for i in range(count):
        e = ifd + 2 + 12 * i
        tag, typ = struct.unpack("<HH", data[e:e + 4])
        value = {256: width, 257: height}.get(tag)
        if value is not None:
            if typ == 3:
                data[e + 8:e + 10] = struct.pack("<H", value & 0xFFFF)
            else:
                data[e + 8:e + 12] = struct.pack("<I", value)
    return data


def make_malformed():
    m = lambda name, data: write(name, bytes(data), MALFORMED)
    cut = lambda name, frac: read(name)[: int(len(read(name)) * frac)]

    m("png_truncated.png", cut("png_plain.png", 0.6))
    d = read("png_rgba.png"); d[1] = ord("Q"); m("png_wrong_magic.png", d)
    m("png_huge.png", png_with_ihdr(100000, 100000))
    m("png_huge_under_cap.png", png_with_ihdr(16000, 16000))
    m("png_zero_width.png", png_with_ihdr(0, 3))

    d = read("jpeg_quadrants.jpg"); scan = d.index(b"\xFF\xDA")
    m("jpeg_truncated.jpg", d[: (scan + len(d)) // 2])  # half of the entropy-coded data
    d = read("jpeg_quadrants.jpg"); d[2] = 0; m("jpeg_wrong_magic.jpg", d)
    m("jpeg_huge.jpg", jpeg_with_size(65500, 65500))
    m("jpeg_zero_height.jpg", jpeg_with_size(64, 0))
    d = read("jpeg_quadrants.jpg"); m("jpeg_headers_only.jpg", d[: d.index(b"\xFF\xDA") + 14])

    m("gif_truncated.gif", cut("gif_plain.gif", 0.7))
    d = read("gif_plain.gif"); d[3] = ord("X"); m("gif_wrong_magic.gif", d)
    d = read("gif_plain.gif"); d[6:10] = struct.pack("<HH", 65535, 65535)
    at = d.index(b",")  # the image descriptor: frame as large as the screen
    d[at + 5:at + 9] = struct.pack("<HH", 65535, 65535)
    m("gif_huge.gif", d)
    d = read("gif_plain.gif"); d[6:10] = struct.pack("<HH", 0, 0)
    at = d.index(b","); d[at + 5:at + 9] = struct.pack("<HH", 0, 0)
    m("gif_zero.gif", d)

    m("tiff_truncated.tif", cut("tiff_rgb_lzw.tif", 0.5))
    d = read("tiff_rgb_lzw.tif"); d[2] = 43; m("tiff_wrong_magic.tif", d)
    m("tiff_huge.tif", tiff_with_size(100000, 100000))
    m("tiff_zero_width.tif", tiff_with_size(0, 3))

    m("bmp_truncated.bmp", cut("bmp_24_bottomup.bmp", 0.7))
    d = read("bmp_24_bottomup.bmp"); d[1] = ord("N"); m("bmp_wrong_magic.bmp", d)
    d = read("bmp_24_bottomup.bmp"); d[18:26] = struct.pack("<ii", 100000, 100000); m("bmp_huge.bmp", d)
    d = read("bmp_24_bottomup.bmp"); d[18:26] = struct.pack("<ii", 10000, 10000); m("bmp_huge_under_cap.bmp", d)
    d = read("bmp_24_bottomup.bmp"); d[18:22] = struct.pack("<i", 0); m("bmp_zero_width.bmp", d)
    d = read("bmp_24_bottomup.bmp"); d[22:26] = struct.pack("<i", -2**31); m("bmp_min_height.bmp", d)
    d = read("bmp_24_bottomup.bmp"); d[14:18] = struct.pack("<I", 1000); m("bmp_header_too_long.bmp", d)
    d = read("bmp_24_bottomup.bmp"); d[28:30] = struct.pack("<H", 7); m("bmp_bad_bit_count.bmp", d)
    m("bmp_rle_truncated.bmp", read("bmp_rle8.bmp")[:-6])

    m("ico_truncated.ico", cut("ico_deepest.ico", 0.3))
    d = read("ico_deepest.ico"); d[2] = 3; m("ico_wrong_magic.ico", d)
    m("ico_zero_entries.ico", struct.pack("<HHH", 0, 1, 0))
    dib = bytearray(dib_for_icon([[0xFF00FF00] * 2] * 2, 2, 2, 32))
    dib[4:12] = struct.pack("<ii", 100000, 200000)
    m("ico_huge.ico", ico([(0, 0, 32, bytes(dib))]))
    d = read("ico_png_entry.ico")
    for i in range(2):
        d[6 + 16 * i + 12:6 + 16 * i + 16] = struct.pack("<I", 100000)
    m("ico_entries_outside.ico", d)


def main():
    os.makedirs(MALFORMED, exist_ok=True)
    make_bmps()
    make_tool_bmps()
    make_icos()
    make_gifs()
    make_tiffs()
    make_jpegs()
    make_pngs()
    make_malformed()


if __name__ == "__main__":
    main()
