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
#
# Coordinates are scaled to the picture's size, so the same numbers serve at every window size.
import struct
import subprocess
import sys

_cache = {}


def size(path):
    """Width and height from the PNG header."""
    with open(path, 'rb') as f:
        header = f.read(24)
    if header[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit(path + ' is not a PNG picture')
    return struct.unpack('>II', header[16:24])


def load(path):
    if path not in _cache:
        width, height = size(path)
        data = subprocess.run(['convert', path, '-depth', '8', 'rgb:-'], check=True, capture_output=True).stdout
        if len(data) != width * height * 3:
            sys.exit('%s: expected %d bytes of pixels, got %d' % (path, width * height * 3, len(data)))
        _cache[path] = (width, height, data)
    return _cache[path]


def box(width, height, x0, y0, x1, y1):
    """Pixel bounds of a virtual-screen rectangle, never empty and never outside the picture."""
    sx, sy = width / 640.0, height / 480.0
    left, right = max(0, int(x0 * sx)), min(width, max(int(x0 * sx) + 1, int(x1 * sx)))
    top, bottom = max(0, int(y0 * sy)), min(height, max(int(y0 * sy) + 1, int(y1 * sy)))
    return left, top, right, bottom


def pixels(path, x0, y0, x1, y1):
    width, height, data = load(path)
    left, top, right, bottom = box(width, height, x0, y0, x1, y1)
    for y in range(top, bottom):
        row = y * width * 3
        for x in range(left, right):
            i = row + x * 3
            yield data[i], data[i + 1], data[i + 2]


def region(path, rect):
    """The picture read with a crop to the virtual-screen rectangle (the whole picture when none)."""
    if not rect:
        return path
    width, height = size(path)
    left, top, right, bottom = box(width, height, *rect)
    return '%s[%dx%d+%d+%d]' % (path, right - left, bottom - top, left, top)


def mean(path, *rect):
    out = subprocess.run(['convert', region(path, rect), '-format',
                          '%[fx:int(255*mean.r+0.5)] %[fx:int(255*mean.g+0.5)] %[fx:int(255*mean.b+0.5)]', 'info:'],
                         check=True, capture_output=True, text=True).stdout
    return [int(v) for v in out.split()]


def diff(path1, path2, *rect):
    if size(path1) != size(path2):
        sys.exit('%s and %s differ in size' % (path1, path2))
    # compare prints the mean absolute error, its normalised value in brackets.
    out = subprocess.run(['compare', '-metric', 'MAE', region(path1, rect), region(path2, rect), 'null:'],
                         capture_output=True, text=True).stderr
    try:
        return 255 * float(out.split('(')[1].split(')')[0])
    except (IndexError, ValueError):
        sys.exit('compare failed: ' + out)


def pixel_diff(path1, path2, *rect):
    """The mean absolute difference computed here, for small regions of pictures already read."""
    total = 0
    count = 0
    for p, q in zip(pixels(path1, *rect), pixels(path2, *rect)):
        total += abs(p[0] - q[0]) + abs(p[1] - q[1]) + abs(p[2] - q[2])
        count += 3
    return total / count


def cells(path, x, ytop, n):
    """Counts of near-white pixels in the glyph cells of a text: 14 units apart, 16 high."""
    out = []
    for c in range(n):
        left = x + 14 * c + 1
        out.append(sum(1 for r, g, b in pixels(path, left, ytop, left + 14, ytop + 16)
                       if r >= 230 and g >= 230 and b >= 230))
    return out


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
            if pixel_diff(argv[2], argv[3], *map(float, rect.split())) > level:
                print(number)
                break
        else:
            print(0)
    elif command == 'cells':
        print(*cells(argv[2], float(argv[3]), float(argv[4]), int(argv[5])))
    else:
        sys.exit('unknown command ' + command)


if __name__ == '__main__':
    main(sys.argv)
