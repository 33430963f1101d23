#!/usr/bin/env bash
# The asset generator makes exactly the game's 52 pictures and 12 sounds, byte for byte the same on a
# second run, clears out files that are not its own, and every file is what the game needs: baseline
# JPEGs with power-of-two sides, fonts on their grid, pictures that repeat without a seam where the
# game repeats them, and 22050 Hz 16-bit stereo WAVs that start and end in silence and never clip.
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

python3 - "$BUILD_DIR/data" "$OUT" <<'PY' || exit 1
import array, os, struct, subprocess, sys

first, second = sys.argv[1], sys.argv[2]
pictures = ['ground/%d' % i for i in range(19)] + ['others/' + n for n in (
    'back', 'back2', 'ball', 'ball2', 'board', 'board2', 'font1', 'font2', 'logol', 'logor', 'panel',
    'window')] + ['menu/' + n for n in (
    'ground', 'trlogo', 'logo', 'single', 'multi', 'settings', 'exit', 'easy', 'normal', 'hard', 'player1k',
    'player2k', 'player1n', 'player2n', 'close', 'yes', 'no', 'glow', 'check', 'ground1', 'ground2')]
sounds = ['other/explode'] + ['menu/' + n for n in ('music', 'menu', 'over')] + [
    g + '/' + n for g in ('ground1', 'ground2') for n in ('mantinel', 'player', 'out', 'music')]
expected = sorted(['pictures/%s.jpg' % p for p in pictures] + ['sound/%s.wav' % s for s in sounds])
assert len(expected) == 64

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
# two neighbouring columns. The floors meet their half-turned copy at the net, so the
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
echo "64 files, the same bytes on a second run, formats, fonts, repeats and sounds as the game needs"
