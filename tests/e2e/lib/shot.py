# Reads screenshots of the game window in the 640 x 480 menu units (y from the top) and measures regions.
#
#   shot.py mean FILE X0 Y0 X1 Y1            mean "R G B" of a region
#   shot.py diff FILE1 FILE2 X0 Y0 X1 Y1     mean absolute difference (0-255) of a region in two pictures
#   shot.py cells FILE X YTOP N              near-white pixels in each of N text cells from (X, YTOP)
#   shot.py checked FILE R1 R2 R3            number (from 1) of the region clearly greener than the other two, or 0
#   shot.py intro PREV CUR                   "MET INTRO DIFF": MET 1 when CUR shows the intro's background with
#                                            the logos covering its centre, INTRO 1 when it shows the intro's
#                                            background at all, and the mean difference to PREV
#   shot.py which FILE1 FILE2 LEVEL R1 R2..  number (from 1) of the first region "X0 Y0 X1 Y1" whose
#                                            mean difference exceeds LEVEL, or 0 when none does
#   shot.py changes FILE1 FILE2 LEVEL X0 Y0 X1 Y1
#                                            "X0 Y0 X1 Y1" bounding the pixels of a region that differ by more
#                                            than LEVEL (summed over the colours), or "none"
#   shot.py png FILE OUT                     the screenshot as a PNG picture, for people to look at
#   shot.py await WINDOW OUT SECONDS TEST..  dumps the window to OUT again and again until TEST holds of a
#                                            dump, for at most SECONDS; prints what the last one measured and
#                                            ends with status 1 when time ran out. TEST is one of
#                                              same REF [X0 Y0 X1 Y1]          mean difference to REF below 1
#                                              near REF LEVEL [X0 Y0 X1 Y1]    mean difference below LEVEL
#                                              edge REF LEVEL top|bottom AT X0 Y0 X1 Y1
#                                                what differs from REF by more than LEVEL reaches
#                                                up to AT (top) or down to AT (bottom)
#                                              change REF LEVEL [X0 Y0 X1 Y1]  mean difference above LEVEL
#                                              moved REF LEVEL X0 Y0 X1 Y1     a pixel differs by more than
#                                                                              LEVEL: prints "X0 Y0 X1 Y1"
#                                              which REF LEVEL R1 R2..          as `which` above (0: none)
#                                              checked ROW R1 R2 R3             `checked` gives ROW
#                                              rest [X0 Y0 X1 Y1]               alike the dump before it (mean
#                                                                              difference below 0.01)
#                                              menu                             at rest, with the menu's background
#                                                                              in the corner (the intro's never)
#
# Screenshots are X window dumps as xwd writes them, read here directly: a test
# takes hundreds of them, and a converter started for each would cost more than
# the game's own time. Coordinates are scaled to the picture's size, so the same
# numbers serve at every window size.
import mmap
import operator
import os
import struct
import sys
import time
import zlib

_cache = {}


def load_xwd(path):
    """Width, height, a reader of one colour plane's bytes (row, first and last column) of a window dump, and a
    reader of a row's whole pixels as they are stored."""
    # Mapped, not read: most commands look at a few rows of the picture only.
    with open(path, 'rb') as f:
        data = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) if f.seek(0, 2) >= 100 else b''
    if len(data) < 100:
        sys.exit(path + ' is not a window dump')
    fields = struct.unpack('>25I', data[:100])
    header_size, version, pixmap_format, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks, colormap_entries = fields[14:17], fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel != 32 or depth < 24:
        sys.exit('%s: a 24-bit true-colour dump was expected' % path)
    start = header_size + 12 * colormap_entries
    if len(data) < start + bytes_per_line * height:
        sys.exit('%s is cut short' % path)
    # The byte of each pixel that holds a colour, from its mask and the dump's byte order.
    offsets = []
    for mask in masks:
        shift = {0xff0000: 16, 0xff00: 8, 0xff: 0}.get(mask)
        if shift is None:
            sys.exit('%s: unexpected colour mask %x' % (path, mask))
        offsets.append(shift // 8 if byte_order == 0 else 3 - shift // 8)

    def plane_row(channel, y, left, right):
        at = start + y * bytes_per_line
        return data[at + 4 * left + offsets[channel]:at + 4 * right:4]

    def pixel_row(y, left, right):
        at = start + y * bytes_per_line
        return data[at + 4 * left:at + 4 * right]
    return width, height, plane_row, pixel_row


def load_png(path):
    with open(path, 'rb') as f:
        header = f.read(24)
    if header[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit(path + ' is neither a window dump nor a PNG picture')
    width, height = struct.unpack('>II', header[16:24])
    import subprocess  # loaded only here: it costs each start of this script more than a dump's reading
    data = subprocess.run(['convert', path, '-depth', '8', 'rgb:-'], check=True, capture_output=True).stdout
    if len(data) != width * height * 3:
        sys.exit('%s: expected %d bytes of pixels, got %d' % (path, width * height * 3, len(data)))

    def plane_row(channel, y, left, right):
        at = 3 * y * width
        return data[at + 3 * left + channel:at + 3 * right:3]

    def pixel_row(y, left, right):
        at = 3 * y * width
        return data[at + 3 * left:at + 3 * right]
    return width, height, plane_row, pixel_row


def load(path):
    if path not in _cache:
        _cache[path] = load_xwd(path) if path.endswith('.xwd') else load_png(path)
    return _cache[path]


def box(width, height, x0, y0, x1, y1):
    """Pixel bounds of a virtual-screen rectangle, never empty and never outside the picture."""
    sx, sy = width / 640.0, height / 480.0
    left, right = max(0, int(x0 * sx)), min(width, max(int(x0 * sx) + 1, int(x1 * sx)))
    top, bottom = max(0, int(y0 * sy)), min(height, max(int(y0 * sy) + 1, int(y1 * sy)))
    return left, top, right, bottom


def planes_in(path, rect):
    """The three colour planes of a region (the whole picture when none), each one byte a pixel."""
    width, height, plane_row, _ = load(path)
    left, top, right, bottom = box(width, height, *rect) if rect else (0, 0, width, height)
    return [b''.join(plane_row(channel, y, left, right) for y in range(top, bottom)) for channel in range(3)]


def size(path):
    width, height, _, _ = load(path)
    return width, height


def mean(path, *rect):
    planes = planes_in(path, rect)
    return [int(sum(plane) / len(plane) + 0.5) for plane in planes]


def diff(path1, path2, *rect):
    if size(path1) != size(path2):
        sys.exit('%s and %s differ in size' % (path1, path2))
    width, height, plane1, pixels1 = load(path1)
    _, _, plane2, pixels2 = load(path2)
    left, top, right, bottom = box(width, height, *rect) if rect else (0, 0, width, height)
    # Most of a screen stands still between two pictures: a row stored alike in both
    # adds nothing, and only the rows that differ are summed colour by colour.
    total = 0
    for y in range(top, bottom):
        if pixels1(y, left, right) != pixels2(y, left, right):
            for channel in range(3):
                p, q = plane1(channel, y, left, right), plane2(channel, y, left, right)
                total += sum(map(abs, map(operator.sub, p, q)))
    return total / (3 * (right - left) * (bottom - top))


def cells(path, x, ytop, n):
    """Counts of near-white pixels in the glyph cells of a text: 14 units apart, 16 high."""
    out = []
    for c in range(n):
        left = x + 14 * c + 1
        r, g, b = planes_in(path, (left, ytop, left + 14, ytop + 16))
        out.append(sum(1 for i in range(len(r)) if r[i] >= 230 and g[i] >= 230 and b[i] >= 230))
    return out


def changes(path1, path2, level, *rect):
    width, height, plane1, pixels1 = load(path1)
    _, _, plane2, pixels2 = load(path2)
    left, top, right, bottom = box(width, height, *rect)
    xs, ys = [], []
    for y in range(top, bottom):
        if pixels1(y, left, right) == pixels2(y, left, right):
            continue  # a row stored alike in both holds no change
        first = [plane1(c, y, left, right) for c in range(3)]
        second = [plane2(c, y, left, right) for c in range(3)]
        for i in range(right - left):
            if sum(abs(first[c][i] - second[c][i]) for c in range(3)) > level:
                xs.append(left + i)
                ys.append(y)
    if not xs:
        return None
    sx, sy = width / 640.0, height / 480.0
    return min(xs) / sx, min(ys) / sy, (max(xs) + 1) / sx, (max(ys) + 1) / sy


def png(path, out):
    """A PNG of the screenshot, written without any library beyond zlib."""
    width, height, plane_row, _ = load(path)
    rows = bytearray()
    for y in range(height):
        row = bytearray(3 * width)
        row[0::3], row[1::3], row[2::3] = (plane_row(channel, y, 0, width) for channel in range(3))
        rows += b'\0' + row

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    with open(out, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(bytes(rows), 6)) + chunk(b'IEND', b''))


def capture(window, out):
    """A fresh dump of the window in OUT; a window that has gone ends the script."""
    import subprocess
    with open(out, 'wb') as f:
        done = subprocess.run(['xwd', '-silent', '-id', window], stdout=f, stderr=subprocess.DEVNULL)
    if done.returncode != 0:
        sys.exit('the window %s could not be dumped (has the game gone?)' % window)
    _cache.pop(out, None)


def test_once(out, test, args):
    """(held, measure) of one dump against a test of `await`."""
    if test == 'same':
        d = diff(out, args[0], *map(float, args[1:5]))
        return d < 1, '%.2f' % d
    if test == 'near':
        d = diff(out, args[0], *map(float, args[2:6]))
        return d < float(args[1]), '%.2f' % d
    if test == 'edge':
        found = changes(args[0], out, float(args[1]), *map(float, args[4:8]))
        if found is None:
            return False, 'none'
        edge = found[1] if args[2] == 'top' else found[3]
        return (edge <= float(args[3])) if args[2] == 'top' else (edge >= float(args[3])), '%.1f' % edge
    if test == 'change':
        d = diff(out, args[0], *map(float, args[2:6]))
        return d > float(args[1]), '%.2f' % d
    if test in ('rest', 'menu'):  # args[0]: the dump before this one
        d = diff(out, args[0], *map(float, args[1:5]))
        return d < 0.01 and (test == 'rest' or mean(out, 5, 5, 40, 40)[1] > 2), '%.2f' % d
    if test == 'moved':
        found = changes(args[0], out, float(args[1]), *map(float, args[2:6]))
        return found is not None, '%.1f %.1f %.1f %.1f' % found if found else 'none'
    if test == 'which':
        level = float(args[1])
        for number, rect in enumerate(args[2:], 1):
            if diff(args[0], out, *map(float, rect.split())) > level:
                return True, str(number)
        return False, '0'
    if test == 'checked':
        greens = [mean(out, *map(float, rect.split()))[1] for rect in args[1:4]]
        best = max(range(3), key=lambda i: greens[i])
        clear = all(greens[best] > greens[i] + 15 for i in range(3) if i != best)
        row = best + 1 if clear else 0
        return str(row) == args[0], '%d %s' % (row, ' '.join(map(str, greens)))
    sys.exit('unknown test ' + test)


def await_(window, out, seconds, test, args):
    deadline = time.monotonic() + seconds
    # At rest: each dump against the one taken just before it, never against an older one.
    before = out[:-4] + '-before.xwd' if test in ('rest', 'menu') else None
    if before:
        args = [before] + args
    dumps = 0
    while True:
        if before and dumps:
            os.replace(out, before)
            _cache.pop(before, None)
        capture(window, out)
        dumps += 1
        held, measure = test_once(out, test, args) if not before or dumps > 1 else (False, 'one dump')
        if held or time.monotonic() >= deadline:
            print(measure)
            return 0 if held else 1
        time.sleep(0.05)


def main(argv):
    command = argv[1]
    if command == 'mean':
        print(*mean(argv[2], *map(float, argv[3:7])))
    elif command == 'diff':
        print('%.2f' % diff(argv[2], argv[3], *map(float, argv[4:8])))
    elif command == 'checked':
        greens = [mean(argv[2], *map(float, rect.split()))[1] for rect in argv[3:6]]
        best = max(range(3), key=lambda i: greens[i])
        clear = all(greens[best] > greens[i] + 15 for i in range(3) if i != best)
        print(best + 1 if clear else 0, *greens)
    elif command == 'intro':
        # The intro's background has no green at all, unlike the menu's.
        centre = sum(mean(argv[3], 300, 200, 340, 280))
        corner = mean(argv[3], 5, 5, 40, 40)
        intro = corner[1] <= 2
        covered = abs(centre - sum(corner)) > 120 and intro
        print(1 if covered else 0, 1 if intro else 0, '%.2f' % diff(argv[2], argv[3]))
    elif command == 'which':
        level = float(argv[4])
        for number, rect in enumerate(argv[5:], 1):
            if diff(argv[2], argv[3], *map(float, rect.split())) > level:
                print(number)
                break
        else:
            print(0)
    elif command == 'cells':
        print(*cells(argv[2], float(argv[3]), float(argv[4]), int(argv[5])))
    elif command == 'changes':
        found = changes(argv[2], argv[3], float(argv[4]), *map(float, argv[5:9]))
        print('%.1f %.1f %.1f %.1f' % found if found else 'none')
    elif command == 'png':
        png(argv[2], argv[3])
    elif command == 'await':
        sys.exit(await_(argv[2], argv[3], float(argv[4]), argv[5], argv[6:]))
    else:
        sys.exit('unknown command ' + command)


if __name__ == '__main__':
    main(sys.argv)
