"""Checks that every #include under src/ points down the floors and that no two folders include each other.

  python3 -S check_floors.py [SRC]     (SRC defaults to the src folder of this checkout)

Prints one line per offending include (or folder on no floor) and exits 1; prints nothing and exits 0 when the tree holds.
"""
import os
import re
import sys

# The floors from the ground up; folders on one line share a floor. HACKING.md's table says the same.
FLOORS = [
    ["core"],
    ["assets", "input"],
    ["match"],
    ["net"],
    ["render"],
    ["menu"],
    ["app"],
]
FLOOR = {folder: number for number, folders in enumerate(FLOORS, 1) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def includes(src):
    """Yields (file as src/..., line number, folder, included name, folder it names) for every quoted include."""
    for root, dirs, files in os.walk(src):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(root, name)
            folder = os.path.relpath(path, src).split(os.sep)[0]
            with open(path, encoding="utf-8", errors="replace") as lines:
                for number, line in enumerate(lines, 1):
                    found = INCLUDE.match(line)
                    if found:
                        included = found.group(1)
                        # A bare name is found beside the including file first.
                        target = included.split("/")[0] if "/" in included else folder
                        shown = os.path.join("src", os.path.relpath(path, src))
                        yield shown, number, folder, included, target


def faults(src):
    out = []
    folders = sorted(os.listdir(src))  # a file straight in src/ is on no floor either
    out += ["src/%s: on no floor" % f for f in folders if f not in FLOOR]
    out += ["src/%s: on a floor but not in the tree" % f for f in sorted(FLOOR) if f not in folders]
    edges = {}
    for shown, number, folder, included, target in includes(src):
        where = '%s:%d: #include "%s"' % (shown, number, included)
        if target == folder or target not in folders:
            continue  # its own folder, or no folder of the game's (a generated or library header)
        if folder in FLOOR and target in FLOOR and FLOOR[target] > FLOOR[folder]:
            out.append("%s: %s (floor %d) reaches up to %s (floor %d)"
                       % (where, folder, FLOOR[folder], target, FLOOR[target]))
        edges.setdefault((folder, target), []).append(where)
    # Between two floors the upward half of a pair is reported above; on one floor both halves are.
    for (folder, target), wheres in sorted(edges.items()):
        if (target, folder) in edges and FLOOR.get(folder) == FLOOR.get(target):
            out += ["%s: %s and %s include each other" % (w, folder, target) for w in wheres]
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "src")
    if not os.path.isdir(src):
        print("Floors check failed: no folder %s" % src, file=sys.stderr)
        return 2
    found = faults(src)
    for line in found:
        print(line)
    if found:
        print("%d fault(s) in the floors (see HACKING.md, Conventions)" % len(found))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
