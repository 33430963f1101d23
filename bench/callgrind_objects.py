#!/usr/bin/env python3
"""Self instruction counts per object (and the program's own functions) from a callgrind output file, as JSON."""
import json
import re
import sys

# Name keys share three tables of compressed names: objects, files and functions.
NAME_TABLES = {
    "ob": "ob", "cob": "ob",
    "fl": "fl", "fi": "fl", "fe": "fl", "cfi": "fl", "cfl": "fl",
    "fn": "fn", "cfn": "fn",
}
# The C and C++ runtime and libm: what the game calls for formatting, maths and strings.
RUNTIME = re.compile(r"(^|/)(libc\.so|libm\.so|libstdc\+\+\.so|libgcc_s\.so|ld-linux)")
# Functions that hand out heap memory, as callgrind names them.
ALLOCATORS = re.compile(r"^(malloc|calloc|realloc|reallocarray|memalign|aligned_alloc|posix_memalign|valloc|"
                        r"__libc_malloc|__libc_calloc|__libc_realloc|(__)?strn?dup|operator new(\[\])?\(.*)$")
NAME_LINE = re.compile(r"^(ob|cob|fl|fi|fe|cfi|cfl|fn|cfn)=(?:\((\d+)\))?\s*(.*)$")


def parse(lines, runtime_calls=None, allocator_calls=None):
    """Returns (events, totals by object, totals by (object, function)) of self cost.

    When runtime_calls is a dict, it also gathers, by (object, function), the
    inclusive cost of calls made into the C/C++ runtime and libm; when
    allocator_calls is a dict, the number of direct calls to an allocator."""
    names = {"ob": {}, "fl": {}, "fn": {}}
    events = ["Ir"]
    position_count = 1
    objects = {}
    functions = {}
    current_ob = "???"
    current_fn = "???"
    skip_next_cost = False
    call_ob = None
    call_fn = None

    def resolve(key, ident, text):
        table = names[NAME_TABLES[key]]
        if ident is not None:
            if text:
                table[ident] = text
            return table.get(ident, "(%s)" % ident)
        return text

    for raw in lines:
        line = raw.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        if line.startswith("events:"):
            events = line.split(":", 1)[1].split()
            continue
        if line.startswith("positions:"):
            position_count = len(line.split(":", 1)[1].split())
            continue
        named = NAME_LINE.match(line)
        if named:
            key, ident, text = named.groups()
            name = resolve(key, ident, text.strip())
            if key == "ob":
                current_ob = name
            elif key == "cob":
                call_ob = name
            elif key == "cfn":
                call_fn = name
            elif key == "fn":
                current_fn = name
            continue
        if line.startswith("calls="):
            # The cost line after a call is the callee's inclusive cost, not this function's own.
            skip_next_cost = True
            if allocator_calls is not None and call_fn and ALLOCATORS.match(call_fn):
                key = (current_ob, current_fn)
                allocator_calls[key] = allocator_calls.get(key, 0) + int(line[6:].split()[0])
            continue
        first = line[0]
        if first.isdigit() or first in "+-*":
            fields = line.split()
            if skip_next_cost:
                # A call's target object is given only when it differs from the caller's.
                target = call_ob if call_ob is not None else current_ob
                if runtime_calls is not None and RUNTIME.search(target) and len(fields) > position_count:
                    key = (current_ob, current_fn)
                    runtime_calls[key] = runtime_calls.get(key, 0) + int(fields[position_count])
                skip_next_cost = False
                call_ob = None
                call_fn = None
                continue
            values = fields[position_count:]
            if not values:
                continue
            instructions = int(values[0])
            objects[current_ob] = objects.get(current_ob, 0) + instructions
            key = (current_ob, current_fn)
            functions[key] = functions.get(key, 0) + instructions
            continue
        # Header lines (version, creator, cmd, summary, totals, jump=...) carry no self cost.
        if line.startswith(("jump=", "jcnd=")):
            skip_next_cost = False
    return events, objects, functions


def allocator_totals(allocator_calls):
    totals = {}
    for (ob, _), count in allocator_calls.items():
        totals[ob] = totals.get(ob, 0) + count
    return dict(sorted(totals.items(), key=lambda item: -item[1]))


def summarise(path, program):
    runtime_calls = {}
    allocator_calls = {}
    with open(path, encoding="utf-8", errors="replace") as handle:
        events, objects, functions = parse(handle, runtime_calls, allocator_calls)
    total = sum(objects.values())

    def in_program(ob):
        return ob.endswith("/" + program) or ob == program

    own = {fn: ir for (ob, fn), ir in functions.items() if in_program(ob)}
    harness = sum(ir for fn, ir in own.items() if fn.startswith("bench::"))
    game = sum(own.values()) - harness
    top = sorted(((ir, fn) for fn, ir in own.items() if not fn.startswith("bench::")), reverse=True)[:15]
    return {
        "event": events[0],
        "total": total,
        "objects": dict(sorted(objects.items(), key=lambda item: -item[1])),
        "program": program,
        "game": game,
        "harness": harness,
        "game_functions": [{"function": fn, "ir": ir} for ir, fn in top],
        # What the game's own functions spend in the C runtime and libm they call (snprintf, sin, rand...).
        "game_runtime_calls": sum(ir for (ob, fn), ir in runtime_calls.items()
                                  if in_program(ob) and not fn.startswith("bench::")),
        # Direct calls from the game's own functions to an allocator, from the call graph.
        "game_allocator_calls": sum(n for (ob, fn), n in allocator_calls.items()
                                    if in_program(ob) and not fn.startswith("bench::")),
        "allocator_calls_by_object": allocator_totals(allocator_calls),
    }


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: callgrind_objects.py <callgrind.out> <program file name>\n")
        return 2
    json.dump(summarise(sys.argv[1], sys.argv[2]), sys.stdout, indent=1)
    sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
