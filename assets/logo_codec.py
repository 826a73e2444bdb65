"""The logo's storage format in the executable, "QLG1": the 24-bit pixels, each row XORed with the
row above, packed as runs of zero bytes and literal bytes. The badge's rows repeat almost
entirely from one to the next, so this is small, and it unpacks in a few lines of code with no
image library to load at start-up.

    "QLG1"  width:u16le  height:u16le  tokens...
    token 0x00-0x7F: the next token+1 bytes are literal
    token 0x80-0xFF: token-0x7F zero bytes
Pixels are blue, green, red; rows top-down, width*3 bytes each, no padding.

The wordmark master, "QLM1", packs coverage planes the same way, in sixteen levels, two pixels a
byte (the first in the high half, rows padded to whole bytes), the first plane's rows, then the
second's:
    "QLM1"  width:u16le  height:u16le  split:u16le  tokens...
Its two planes are the wordmark's outline and fill; `split` is the first column of its second
colour.

Both are stored squeezed, "QLZ1": every byte coded bit by bit, the high bit first, by an adaptive
binary range coder whose odds depend on the byte before (the literals' bytes follow each other's
patterns, which the runs alone do not catch). A third smaller, and the decoder is a loop of a few
lines:
    "QLZ1"  size:u32le  coded bytes...
Each of the 256 x 255 odds starts at 1024 of 2048 and moves an eighth of the way to the bit seen.
"""

import struct

MAGIC = b"QLG1"
MASTER_MAGIC = b"QLM1"
SQUEEZED_MAGIC = b"QLZ1"
_ODDS_BITS = 11  # odds out of 2048
_ODDS_SHIFT = 3  # how fast they follow
_TOP = 1 << 24


def squeeze(data):
    """Codes QLG1 or QLM1 bytes as QLZ1 (the range coder of the LZMA format, one byte's odds per
    preceding byte)."""
    out = bytearray()
    low, rng, cache, pending = 0, 0xFFFFFFFF, 0, 1

    def shift_low():
        nonlocal low, cache, pending
        if (low & 0xFFFFFFFF) < 0xFF000000 or low >> 32:
            carry = low >> 32
            byte = cache
            while pending:
                out.append((byte + carry) & 0xFF)
                byte = 0xFF
                pending -= 1
            cache = (low >> 24) & 0xFF
        pending += 1
        low = (low & 0x00FFFFFF) << 8

    odds = [[1 << (_ODDS_BITS - 1)] * 256 for _ in range(256)]
    previous = 0
    for value in data:
        table = odds[previous]
        node = 1
        for k in range(7, -1, -1):
            bit = (value >> k) & 1
            bound = (rng >> _ODDS_BITS) * table[node]
            if bit:
                low += bound
                rng -= bound
                table[node] -= table[node] >> _ODDS_SHIFT
            else:
                rng = bound
                table[node] += ((1 << _ODDS_BITS) - table[node]) >> _ODDS_SHIFT
            node = node * 2 + bit
            while rng < _TOP:
                rng <<= 8
                shift_low()
        previous = value
    for _ in range(5):
        shift_low()
    return SQUEEZED_MAGIC + struct.pack("<I", len(data)) + bytes(out)


def unsqueeze(data):
    """The QLG1 or QLM1 bytes a QLZ1 squeezed; data that is not squeezed as it is."""
    if data[:4] != SQUEEZED_MAGIC:
        return data
    (size,) = struct.unpack_from("<I", data, 4)
    coded = iter(data[8:])
    code, rng = 0, 0xFFFFFFFF
    for _ in range(5):
        code = (code << 8 | next(coded, 0)) & 0xFFFFFFFF
    odds = [[1 << (_ODDS_BITS - 1)] * 256 for _ in range(256)]
    out = bytearray()
    previous = 0
    for _ in range(size):
        table = odds[previous]
        node = 1
        while node < 256:
            bound = (rng >> _ODDS_BITS) * table[node]
            if code < bound:
                rng = bound
                table[node] += ((1 << _ODDS_BITS) - table[node]) >> _ODDS_SHIFT
                node *= 2
            else:
                rng -= bound
                code -= bound
                table[node] -= table[node] >> _ODDS_SHIFT
                node = node * 2 + 1
            while rng < _TOP:
                rng <<= 8
                code = (code << 8 | next(coded, 0)) & 0xFFFFFFFF
        previous = node - 256
        out.append(previous)
    return bytes(out)


def encode(image):
    """Packs a PIL RGB image."""
    width, height = image.size
    rows = []
    raw = image.tobytes()  # RGB
    for y in range(height):
        row = bytearray(raw[y * width * 3:(y + 1) * width * 3])
        row[0::3], row[2::3] = row[2::3], row[0::3]  # to BGR
        rows.append(bytes(row))
    return MAGIC + struct.pack("<HH", width, height) + _pack_rows(rows, width * 3)


def encode_planes(planes, split):
    """Packs PIL "L" images of one size as a QLM1 master, one plane after the other."""
    width, height = planes[0].size
    rows = []
    for plane in planes:
        levels = [(value * 15 + 127) // 255 for value in plane.tobytes()]
        for y in range(height):
            row = levels[y * width:(y + 1) * width] + [0] * (width % 2)
            rows.append(bytes(high << 4 | low for high, low in zip(row[0::2], row[1::2])))
    return MASTER_MAGIC + struct.pack("<HHH", width, height, split) + _pack_rows(rows, (width + 1) // 2)


def _pack_rows(rows, stride):
    delta = bytearray()
    previous = bytes(stride)
    for row in rows:
        delta += bytes(a ^ b for a, b in zip(row, previous))
        previous = row
    out = bytearray()
    i = 0
    while i < len(delta):
        zeros = 0
        while i + zeros < len(delta) and delta[i + zeros] == 0 and zeros < 128:
            zeros += 1
        if zeros >= 2:
            out.append(0x7F + zeros)
            i += zeros
            continue
        start = i
        while i < len(delta) and i - start < 128 and not (delta[i] == 0 and i + 1 < len(delta) and delta[i + 1] == 0):
            i += 1
        if i == start:  # a lone zero at the very end
            i += 1
        out.append(i - start - 1)
        out += delta[start:i]
    return bytes(out)


def decode(data):
    """Unpacks to (width, height, RGB bytes); raises ValueError on anything malformed."""
    data = unsqueeze(data)
    if data[:4] != MAGIC or len(data) < 8:
        raise ValueError("not a QLG1 logo")
    width, height = struct.unpack_from("<HH", data, 4)
    delta = bytearray()
    i = 8
    while i < len(data):
        token = data[i]
        i += 1
        if token < 0x80:
            if i + token + 1 > len(data):
                raise ValueError("literal runs past the end")
            delta += data[i:i + token + 1]
            i += token + 1
        else:
            delta += bytes(token - 0x7F)
    stride = width * 3
    if len(delta) != stride * height:
        raise ValueError("wrong amount of pixel data")
    for offset in range(stride, len(delta)):
        delta[offset] ^= delta[offset - stride]
    rgb = bytearray(delta)
    rgb[0::3], rgb[2::3] = delta[2::3], delta[0::3]
    return width, height, bytes(rgb)
