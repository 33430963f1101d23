#!/usr/bin/env bash
# The asset generator makes exactly the game's 59 pictures and 12 sounds, byte for byte the same on a
# second run, clears out files that are not its own, and every file is what the game needs: baseline
# JPEGs with power-of-two sides, screen pictures with at least as many pixels as they cover at
# 1024 x 768 and in the shape they are drawn, fonts on their grid, pictures that repeat without a
# seam where the game repeats them, one emblem drawn alike at every size, and 22050 Hz 16-bit stereo
# WAVs that start and end in silence and never clip.
set -u
GAME=$1
BUILD_DIR=$2
GENERATOR="$BUILD_DIR/tools/tarvo-assetgen"
OUT=$(mktemp -d /tmp/tarvo-assets.XXXXXX)
trap 'rm -rf "$OUT"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
[ -x "$GENERATOR" ] || fail "no generator at $GENERATOR"
[ -d "$BUILD_DIR/data" ] || fail "the build left no data/ beside $GAME"
FONTS=$(sed -n 's/^TARVO_DEJAVU_DIR:[A-Z]*=//p' "$BUILD_DIR/CMakeCache.txt")
[ -n "$FONTS" ] || FONTS=/usr/share/fonts/truetype/dejavu

# A second run into a fresh folder, which already holds two files of no use.
mkdir -p "$OUT/pictures/menu" "$OUT/sound/menu"
echo old >"$OUT/pictures/menu/stale.jpg"
echo old >"$OUT/sound/menu/stale.wav"
"$GENERATOR" --fonts "$FONTS" "$OUT" || fail "the generator failed"

python3 -S - "$BUILD_DIR/data" "$OUT" <<'PY' || exit 1
import array, os, struct, subprocess, sys

first, second = sys.argv[1], sys.argv[2]
pictures = ['ground/%d' % i for i in range(19)] + ['others/' + n for n in (
    'back', 'back2', 'ball', 'ball2', 'board', 'board2', 'font1', 'font2', 'logol', 'logor', 'panel',
    'window')] + ['menu/' + n for n in (
    'ground', 'trlogo', 'logo', 'single', 'multi', 'settings', 'exit', 'easy', 'normal', 'hard', 'player1k',
    'player2k', 'player1n', 'player2n', 'close', 'yes', 'no', 'glow', 'check', 'ground1', 'ground2', 'local',
    'host', 'join', 'back', 'address', 'watch', 'watchoff')]
sounds = ['other/explode'] + ['menu/' + n for n in ('music', 'menu', 'over')] + [
    g + '/' + n for g in ('ground1', 'ground2') for n in ('mantinel', 'player', 'out', 'music')]
expected = sorted(['pictures/%s.jpg' % p for p in pictures] + ['sound/%s.wav' % s for s in sounds])
assert len(expected) == 71

problems = []
def problem(text):
    problems.append(text)

def listing(root):
    found = []
    for folder, _, files in os.walk(root):
        found += [os.path.relpath(os.path.join(folder, f), root) for f in files]
    return sorted(found)

for root in (first, second):
    found = listing(root)
    if found != expected:
        problem('%s holds %s extra and misses %s' % (root, sorted(set(found) - set(expected)),
                                                     sorted(set(expected) - set(found))))
for name in expected:
    a, b = os.path.join(first, name), os.path.join(second, name)
    if os.path.exists(a) and os.path.exists(b) and open(a, 'rb').read() != open(b, 'rb').read():
        problem('%s differs between two runs' % name)

def jpeg_header(data):
    """(width, height, components) of a baseline JPEG, or None."""
    if data[:2] != b'\xff\xd8':
        return None
    at = 2
    while at + 4 <= len(data):
        if data[at] != 0xFF:
            return None
        marker, length = data[at + 1], struct.unpack('>H', data[at + 2:at + 4])[0]
        if marker == 0xC0:
            precision, height, width, components = struct.unpack('>BHHB', data[at + 4:at + 10])
            return (width, height, components) if precision == 8 else None
        if marker in (0xC1, 0xC2, 0xC3, 0xDA):
            return None  # not baseline, or scan before any frame header
        at += 2 + length
    return None

def gray(path, width, height):
    """The picture as rows of 8-bit gray, decoded by ImageMagick."""
    raw = subprocess.run(['convert', path, '-colorspace', 'Gray', '-depth', '8', 'gray:-'],
                         check=True, capture_output=True).stdout
    return [raw[y * width:(y + 1) * width] for y in range(height)]

def rgb(path, width, height):
    raw = subprocess.run(['convert', path, '-depth', '8', 'rgb:-'], check=True, capture_output=True).stdout
    return [raw[y * width * 3:(y + 1) * width * 3] for y in range(height)]

def column_step(rows, a, b):
    return sum(abs(r[a * 3 + c] - r[b * 3 + c]) for r in rows for c in range(3)) / (3.0 * len(rows))

def row_step(rows, a, b):
    return sum(abs(x - y) for x, y in zip(rows[a], rows[b])) / float(len(rows[a]))

sizes = {}
for p in pictures:
    path = os.path.join(first, 'pictures', p + '.jpg')
    if not os.path.exists(path):
        continue
    header = jpeg_header(open(path, 'rb').read())
    if header is None:
        problem('%s is not a baseline 8-bit JPEG' % p)
        continue
    width, height, components = header
    sizes[p] = (width, height)
    if components != 3:
        problem('%s has %d colour components' % (p, components))
    for side in (width, height):
        if side < 1 or side & (side - 1):
            problem('%s is %dx%d: not powers of two' % (p, width, height))
            break

# Screen pictures: the menu, the intro and the match panel are laid out on a 640 x 480 screen
# stretched over the window, so at 1024 x 768 a picture drawn over W x H units covers 1.6 W x 1.6 H
# pixels and is soft unless it has at least that many. The sizes are those of the game's quads; a
# picture stretched over several (the hover glow, the page window) must cover the largest each way.
# One drawn at a single size must have its shape too, or its drawing comes out squeezed.
DRAWN = {  # units across, units down, drawn at this one shape
    'menu/trlogo': (256, 64, True), 'menu/logo': (128, 64, True),
    'others/logol': (256, 256, True), 'others/logor': (256, 256, True),
    'menu/ground1': (128, 128, True), 'menu/ground2': (128, 128, True),
    'menu/yes': (64, 32, True), 'menu/no': (64, 32, True),
    'menu/glow': (128, 128, False),                 # over 128 x 32, 64 x 32 and 128 x 128 items
    'others/window': (300, 282, False),             # 220 x 242, 300 x 222, three of 173 x 282
    'menu/ground': (320, 480, False),               # twice across the screen
    'others/panel': (640, 32, False), 'menu/check': (20, 20, False),
    'others/font1': (256, 256, False), 'others/font2': (256, 256, False),  # 16 units a cell
}
for button in ('single', 'multi', 'settings', 'exit', 'easy', 'normal', 'hard', 'player1k', 'player2k',
               'player1n', 'player2n', 'close', 'local', 'host', 'join', 'back', 'address', 'watch', 'watchoff'):
    DRAWN['menu/' + button] = (128, 32, True)
for p, (across, down, one_shape) in sorted(DRAWN.items()):
    if p not in sizes:
        continue
    width, height = sizes[p]
    if width < across * 1.6 or height < down * 1.6:
        problem('%s is %dx%d, soft over the %.0fx%.0f pixels it covers at 1024 x 768'
                % (p, width, height, across * 1.6, down * 1.6))
    if one_shape and width * down != height * across:
        problem('%s is %dx%d, not the shape of the %dx%d units it is drawn over' % (p, width, height, across, down))
# The dimmed replay button is the lit one gone dark and grey: it must read as out of reach.
if sizes.get('menu/watch') and sizes.get('menu/watch') == sizes.get('menu/watchoff'):
    width, height = sizes['menu/watch']
    def tone(p):
        rows = rgb(os.path.join(first, 'pictures', p + '.jpg'), width, height)
        px = [c for r in rows for c in zip(r[::3], r[1::3], r[2::3])]
        return sum(map(sum, px)) / (3.0 * len(px)), sum(max(c) - min(c) for c in px) / float(len(px))
    (lit, lit_colour), (dim, dim_colour) = tone('menu/watch'), tone('menu/watchoff')
    if dim > 0.7 * lit or dim_colour > 0.3 * lit_colour:
        problem('menu/watchoff (brightness %.0f, colour %.0f) is not clearly dimmer and greyer than menu/watch (%.0f, %.0f)'
                % (dim, dim_colour, lit, lit_colour))

# Fonts: a 16 x 16 grid of 32-pixel cells. Printable codes have ink, the blank ones
# none, every glyph stays inside the left 28 pixels of its cell, and the capitals
# without descenders all stand on one baseline.
for font in ('others/font1', 'others/font2'):
    if sizes.get(font) != (512, 512):
        problem('%s is not 512x512' % font)
        continue
    rows = gray(os.path.join(first, 'pictures', font + '.jpg'), 512, 512)
    bottoms = set()
    for code in range(256):
        x0, y0 = (code % 16) * 32, (code // 16) * 32
        cell = [rows[y0 + y][x0:x0 + 32] for y in range(32)]
        ink = [(x, y) for y in range(32) for x in range(32) if cell[y][x] > 96]
        printable = 33 <= code <= 126 or (161 <= code <= 255 and code != 173)
        if printable and not ink:
            problem('%s: code %d has no glyph' % (font, code))
        if code in (32, 160) and ink:
            problem('%s: the blank code %d has ink' % (font, code))
        if any(x >= 28 for x, _ in ink):
            problem('%s: code %d reaches past the pen advance' % (font, code))
        if chr(code) in 'ABDEFHIKLMNPRTUVWXYZ' and ink:
            bottoms.add(max(y for _, y in ink))
    if len(bottoms) != 1:
        problem('%s: capitals end on rows %s, not on one baseline' % (font, sorted(bottoms)))

# Repeats: the menu background is laid twice across the screen and the page window
# three times on the settings page, so their left and right edges must join like any
# two neighbouring columns. The background also wraps from its bottom row to its top
# one where the screen begins and ends, so those must join like any two rows. The floors meet their half-turned copy at the net, so the
# net edge must read the same from both ends.
for p in ('menu/ground', 'others/window'):
    if p not in sizes:
        continue
    width, height = sizes[p]
    rows = rgb(os.path.join(first, 'pictures', p + '.jpg'), width, height)
    inside = max(column_step(rows, x, x + 1) for x in range(width - 1))
    join = column_step(rows, width - 1, 0)
    if join > inside + 4:
        problem('%s shows a seam where it repeats (edge step %.1f, steepest inside %.1f)' % (p, join, inside))
if 'menu/ground' in sizes:
    width, height = sizes['menu/ground']
    rows = rgb(os.path.join(first, 'pictures', 'menu/ground.jpg'), width, height)
    inside = max(row_step(rows, y, y + 1) for y in range(height - 1))
    join = row_step(rows, height - 1, 0)
    if join > inside + 4:
        problem('menu/ground: its top and bottom rows do not join (step %.1f, steepest inside %.1f)' % (join, inside))

# One drawing at every size: the corner logo and the two intro halves are the same emblem,
# at a quarter of the size and whole. Halved twice, the intro halves side by side must look
# like the corner logo, but for the dark split between them: a line width, glow or letter
# size left at one picture's scale would set them apart.
if sizes.get('menu/logo') and sizes.get('others/logol') == sizes.get('others/logor'):
    small_w, small_h = sizes['menu/logo']
    half_w, half_h = sizes['others/logol']
    def shrunk(path):
        raw = subprocess.run(['convert', path, '-filter', 'Box', '-resize', '%dx%d!' % (small_w // 2, small_h),
                              '-depth', '8', 'rgb:-'], check=True, capture_output=True).stdout
        return [raw[y * small_w // 2 * 3:(y + 1) * small_w // 2 * 3] for y in range(small_h)]
    if (half_w * 2, half_h) == (small_w * 4, small_h * 4):
        left = shrunk(os.path.join(first, 'pictures', 'others/logol.jpg'))
        right = shrunk(os.path.join(first, 'pictures', 'others/logor.jpg'))
        small = rgb(os.path.join(first, 'pictures', 'menu/logo.jpg'), small_w, small_h)
        keep = [x for x in range(small_w) if abs(x + 0.5 - small_w / 2.0) > small_w / 32.0]
        total = 0
        for y in range(small_h):
            whole = left[y] + right[y]
            total += sum(abs(whole[x * 3 + c] - small[y][x * 3 + c]) for x in keep for c in range(3))
        difference = total / (3.0 * small_h * len(keep))
        if difference > 5:
            problem('the intro halves halved twice differ from the corner logo by %.1f on average' % difference)
    else:
        problem('the intro halves (%dx%d) are not four times the corner logo (%dx%d)' % (half_w, half_h, small_w, small_h))
for p in ['ground/%d' % i for i in range(6)] + ['ground/11']:
    if p not in sizes:
        continue
    width, height = sizes[p]
    rows = rgb(os.path.join(first, 'pictures', p + '.jpg'), width, height)
    edge = [rows[y][(width - 1) * 3:width * 3] for y in range(height)]
    mismatch = sum(abs(edge[y][c] - edge[height - 1 - y][c]) for y in range(height) for c in range(3))
    if mismatch / (3.0 * height) > 6:
        problem('%s: the net edge does not meet its half-turned copy (%.1f)' % (p, mismatch / (3.0 * height)))

# The futuristic floor animates: six different frames, and the step from the last back
# to the first no bigger than the steps between the others.
frames = [rgb(os.path.join(first, 'pictures', 'ground/%d.jpg' % i), 512, 512)
          for i in range(6) if sizes.get('ground/%d' % i) == (512, 512)]
if len(frames) == 6:
    def step(a, b):
        return sum(abs(x - y) for ra, rb in zip(a[::4], b[::4]) for x, y in zip(ra[::3], rb[::3]))
    steps = [step(frames[i], frames[(i + 1) % 6]) for i in range(6)]
    if min(steps) == 0:
        problem('the futuristic floor repeats a frame')
    elif max(steps) > 1.5 * min(steps):
        problem('the floor animation does not loop evenly: %s' % steps)

# Sounds: the mixer's own format, silent ends, a peak of -1 dBFS at most.
limits = {'menu/menu': (0.02, 0.3), 'menu/over': (0.02, 0.15), 'other/explode': (0.5, 1.6)}
for s in sounds:
    path = os.path.join(first, 'sound', s + '.wav')
    if not os.path.exists(path):
        continue
    data = open(path, 'rb').read()
    if len(data) < 44 or data[:4] != b'RIFF' or data[8:16] != b'WAVEfmt ':
        problem('%s is not a plain WAV' % s)
        continue
    tag, channels, rate, byte_rate, align, bits = struct.unpack('<HHIIHH', data[20:36])
    if (tag, channels, rate, byte_rate, align, bits) != (1, 2, 22050, 88200, 4, 16):
        problem('%s: format %s, not 22050 Hz 16-bit stereo PCM' % (s, (tag, channels, rate, bits)))
        continue
    if data[36:40] != b'data' or struct.unpack('<I', data[40:44])[0] != len(data) - 44:
        problem('%s: the sample data does not follow the header whole' % s)
        continue
    samples = array.array('h', data[44:])
    seconds = len(samples) / 2 / 22050.0
    low, high = limits.get(s, (16.0, 32.0) if s.endswith('music') else (0.05, 1.6))
    if not low <= seconds <= high:
        problem('%s lasts %.2f s, not %.2f-%.2f s' % (s, seconds, low, high))
    peak = max(abs(v) for v in samples)
    if peak > 29204:  # -1 dBFS
        problem('%s peaks at %d, above -1 dBFS' % (s, peak))
    if peak < 3000:
        problem('%s is nearly silent' % s)
    ends = list(samples[:2]) + list(samples[-2:])
    if max(abs(v) for v in ends) > 64:
        problem('%s starts or ends away from silence: %s' % (s, ends))

for text in problems:
    print('FAIL: ' + text)
sys.exit(1 if problems else 0)
PY
echo "71 files, the same bytes on a second run, formats, fonts, repeats and sounds as the game needs"
