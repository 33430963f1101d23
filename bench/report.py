#!/usr/bin/env python3
"""Writes the benchmark results (Markdown) from one run's files: benchmarks.json, callgrind.*.json, memory.json, net-play.json."""
import datetime
import json
import os
import platform
import re
import sys

SIZES = ["640x480", "800x600", "1024x768"]
SCENES = [("menu", "menu, page 0 with the glow"), ("tennis", "match on tennis"), ("futuristic", "match on futuristic")]
SETS = [("base", "start-up: loadBaseTextures + buildDisplayLists", 34),
        ("tennis", "match start: loadPlayground1Textures", 10),
        ("futuristic", "match start: loadPlayground2Textures", 15)]

# Goals the game must meet.
GAME_SHARE_GOAL = 0.02
IDLE_STEP_GOAL_NS = 1000.0
LOAD_RATIO_GOAL = 1.3

# Objects by the part of the system they belong to, by file name.
OBJECT_GROUPS = [
    ("OpenGL driver (Mesa llvmpipe)", re.compile(r"(swrast_dri|libgallium|libGL|libglapi|libGLX|libGLdispatch|libLLVM|_dri\.so)")),
    ("driver's generated code (llvmpipe shaders, no object)", re.compile(r"^\?\?\?$")),
    ("X11 client libraries", re.compile(r"(libX|libxcb|libxshmfence|libdrm)")),
    ("freeglut", re.compile(r"libglut")),
    ("SDL, SDL_image, SDL_mixer, libjpeg", re.compile(r"(libSDL|libjpeg)")),
    ("C and C++ runtime, libm, loader", re.compile(r"(libc\.so|libm\.so|libstdc\+\+|libgcc_s|ld-linux|libpthread)")),
]


def goal(met):
    return "meets the goal" if met else "**short of the goal**"


def load_json(path):
    with open(path, encoding="utf-8") as handle:
        return json.load(handle)


def medians(benchmarks):
    """run name -> the median row, the best (fastest) repetition, and the CV of the repetitions."""
    found = {}
    for row in benchmarks["benchmarks"]:
        name = row["run_name"]
        entry = found.setdefault(name, {})
        if row["run_type"] == "aggregate":
            entry[row["aggregate_name"]] = row
        else:
            entry.setdefault("runs", []).append(row)
    result = {}
    for name, entry in found.items():
        runs = entry.get("runs", [])
        median = entry.get("median") or runs[0]
        best = min(runs, key=lambda row: row["real_time"]) if runs else median
        cv = entry.get("cv")
        result[name] = {"row": median, "best": best, "cv": cv["real_time"] if cv else None,
                        "cv_cpu": cv["cpu_time"] if cv else None, "runs": len(runs)}
    return result


# What Google Benchmark appends to a registered name: its run options.
RUN_OPTIONS = r"(/(real_time|manual_time|iterations:\d+|repeats:\d+|min_time:[\d.]+))*"


def find(stats, name):
    """The statistics of the benchmark registered under name, whatever run options it carries."""
    pattern = re.compile(re.escape(name) + RUN_OPTIONS)
    for run_name, value in stats.items():
        if pattern.fullmatch(run_name):
            return value
    return None


def to_ms(row):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[row["time_unit"]]
    return row["real_time"] * scale


def cpu_ms(row):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[row["time_unit"]]
    return row["cpu_time"] * scale


def to_ns(row):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[row["time_unit"]]
    return row["real_time"] * scale, row["cpu_time"] * scale


def percent(value):
    return "%.1f %%" % (100.0 * value) if value is not None else "n/a"


def group_of(obj):
    base = os.path.basename(obj)
    for title, pattern in OBJECT_GROUPS:
        if pattern.search(base):
            return title
    return None


def grouped(summary):
    """(group title, instructions) in a fixed order; the program itself split into game and harness."""
    totals = {}
    for obj, ir in summary["objects"].items():
        if os.path.basename(obj) == summary["program"]:
            continue
        title = group_of(obj) or "other: " + os.path.basename(obj)
        totals[title] = totals.get(title, 0) + ir
    rows = [("the game's own code", summary["game"]), ("bench harness (clock, steering, stand-ins)", summary["harness"])]
    rows += sorted(totals.items(), key=lambda item: -item[1])
    return rows


def machine():
    model = "unknown"
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as handle:
            for line in handle:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = "unknown"
    try:
        with open("/proc/meminfo", encoding="utf-8") as handle:
            for line in handle:
                if line.startswith("MemTotal"):
                    memory = "%.1f GiB" % (int(line.split()[1]) / 1048576.0)
    except OSError:
        pass
    system = platform.system() + " " + platform.release()
    try:
        with open("/etc/os-release", encoding="utf-8") as handle:
            for line in handle:
                if line.startswith("PRETTY_NAME="):
                    system = line.split("=", 1)[1].strip().strip('"') + ", kernel " + platform.release()
    except OSError:
        pass
    return model, os.cpu_count(), memory, system


def read_text(path, default=""):
    try:
        with open(path, encoding="utf-8") as handle:
            return handle.read().strip()
    except OSError:
        return default


def callgrind(folder, name):
    path = os.path.join(folder, "callgrind.%s.json" % name)
    return load_json(path) if os.path.exists(path) else None


def frame_section(out, stats, folder, frames_counted):
    out.append("## Frame cost: one idle step and one display, beside a bare clear-and-swap\n")
    out.append("Wall-clock time per frame (the swap waits for the rasteriser). *Best* is the fastest "
               "repetition, the one least disturbed by other work on the machine; *median* is the middle "
               "one. The floor is `glClear` of colour and depth plus `glutSwapBuffers` on the same window. "
               "*Ratio* is frame time over floor time, so the frame rate is that fraction of the floor's; "
               "CV is the coefficient of variation over the repetitions.\n")
    out.append("| window | screen | ms / frame best | median | fps best | CV | floor ms best | median | ratio best | ratio median |")
    out.append("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for size in SIZES:
        floor = find(stats, "frame/bare/" + size)
        if not floor:
            continue
        floor_best, floor_median = to_ms(floor["best"]), to_ms(floor["row"])
        out.append("| %s | bare clear-and-swap (floor) | %.3f | %.3f | %.0f | %s | | | | |"
                   % (size, floor_best, floor_median, 1000.0 / floor_best, percent(floor["cv"])))
        for scene, title in SCENES:
            found = find(stats, "frame/%s/%s" % (scene, size))
            if not found:
                continue
            best, median = to_ms(found["best"]), to_ms(found["row"])
            out.append("| %s | %s | %.3f | %.3f | %.0f | %s | %.3f | %.3f | %.1f | %.1f |"
                       % (size, title, best, median, 1000.0 / best, percent(found["cv"]), floor_best, floor_median,
                          best / floor_best, median / floor_median))
    out.append("")

    bare = callgrind(folder, "frames-bare")
    if bare:
        out.append("The same frames counted in instructions (callgrind, 800 x 600, %d frames after a warm-up, "
                   "all threads; no timing noise):\n" % frames_counted)
        out.append("| screen | instructions / frame | ratio to the floor |")
        out.append("|---|---:|---:|")
        bare_per_frame = bare["total"] / frames_counted
        out.append("| bare clear-and-swap (floor) | %s | 1.0 |" % "{:,.0f}".format(bare_per_frame))
        for scene, title in SCENES:
            summary = callgrind(folder, "frames-" + scene)
            if summary:
                per_frame = summary["total"] / frames_counted
                out.append("| %s | %s | %.1f |" % (title, "{:,.0f}".format(per_frame), per_frame / bare_per_frame))
        out.append("")


def share_section(out, folder, frames_counted):
    out.append("## The game's own share of a frame's instructions (callgrind, per object)\n")
    out.append("Self instructions of every object over the counted frames at 800 x 600. The game is linked "
               "into the profiled program; the program's few bench functions (the clock, the key steering, "
               "the silent mixer stand-ins) are counted apart. The next column adds what the game's functions "
               "spend in the C library and libm they call (`snprintf` for the score, `sin`, `cos`, `rand`), "
               "which the per-object count charges to the C library. Goal: the game's own code at most %s of "
               "a match frame.\n" % percent(GAME_SHARE_GOAL))
    out.append("| screen | all / frame | game / frame | game share | with its C runtime calls | |")
    out.append("|---|---:|---:|---:|---:|---|")
    for scene, title in SCENES:
        summary = callgrind(folder, "frames-" + scene)
        if not summary:
            continue
        share = summary["game"] / float(summary["total"])
        with_runtime = (summary["game"] + summary.get("game_runtime_calls", 0)) / float(summary["total"])
        verdict = goal(share <= GAME_SHARE_GOAL) if scene != "menu" else ""
        out.append("| %s | %s | %s | %.4f %% | %.4f %% | %s |" % (
            title, "{:,.0f}".format(summary["total"] / frames_counted),
            "{:,.0f}".format(summary["game"] / frames_counted), 100.0 * share, 100.0 * with_runtime, verdict))
    out.append("")
    summary = callgrind(folder, "frames-futuristic")
    if summary:
        out.append("Where a frame of the futuristic match goes:\n")
        out.append("| part | instructions / frame | share |")
        out.append("|---|---:|---:|")
        for title, ir in grouped(summary):
            out.append("| %s | %s | %.4f %% |" % (title, "{:,.0f}".format(ir / frames_counted), 100.0 * ir / summary["total"]))
        out.append("")
        if summary["game_functions"]:
            out.append("The game's own functions in that frame: " + ", ".join(
                "`%s` %s" % (item["function"], "{:,.0f}".format(item["ir"] / frames_counted))
                for item in summary["game_functions"][:8]) + " instructions per frame.\n")


def sim_section(out, stats, folder, steps_counted):
    out.append("## Simulation cost: the idle step alone\n")
    out.append("`onIdle` during a single-player match on the futuristic playground, no drawing, the game "
               "clock moved on 10 ms per step. Without steering, player 1 only holds the serve key (points "
               "fall often, and some steps wait out the pause after a point); with steering the bench also "
               "holds player 1's up and down keys to follow the ball (the steering is inside the timed loop). "
               "Goal: under 1 microsecond.\n")
    out.append("| run | ns / step best | median | CPU ns median | CV | ball in flight | |")
    out.append("|---|---:|---:|---:|---:|---:|---|")
    for name, title in (("sim/idle-step", "idle step"), ("sim/idle-step+steering", "idle step with steering")):
        found = find(stats, name)
        if not found:
            continue
        best, _ = to_ns(found["best"])
        wall, cpu = to_ns(found["row"])
        out.append("| %s | %.1f | %.1f | %.1f | %s | %s | %s |" % (
            title, best, wall, cpu, percent(found["cv"]), percent(found["row"].get("in_flight_share")),
            goal(wall < IDLE_STEP_GOAL_NS)))
    out.append("")
    steps = callgrind(folder, "steps")
    frame = find(stats, "frame/futuristic/800x600")
    idle = find(stats, "sim/idle-step")
    sentences = []
    if steps:
        sentences.append("Callgrind: %s instructions per idle step (%d steps without steering), %s of them in "
                         "the game's own code and %s in the C library and libm it calls (`sin`, `cos`, `srand`, "
                         "`rand`); the rest is the bench's clock and mixer stand-ins."
                         % ("{:,.0f}".format(steps["total"] / steps_counted), steps_counted,
                            "{:,.0f}".format(steps["game"] / steps_counted),
                            "{:,.0f}".format(steps["game_runtime_calls"] / steps_counted)))
    if frame and idle:
        wall, _ = to_ns(idle["row"])
        sentences.append("Next to a futuristic match frame at 800 x 600 (median %.3f ms) the step (median) is "
                         "%.4f %% of it." % (to_ms(frame["row"]), 100.0 * wall / (to_ms(frame["row"]) * 1e6)))
    out.append(" ".join(sentences) + "\n")


def load_section(out, stats, folder, loads_counted):
    out.append("## Start-up and match start, beside decoding the same pictures alone\n")
    out.append("The floor decodes the set's JPEG files with `IMG_Load` and frees them, nothing else. The "
               "game's load is timed alone: before each load the set is given back (untimed). A load runs on "
               "one thread, so its CPU time (medians of the repetitions) is the measure least disturbed by "
               "other work on the machine; wall-clock times are shown beside it. Goal: within %.1f times the "
               "floor (judged on CPU time).\n" % LOAD_RATIO_GOAL)
    out.append("| load | pictures | CPU ms | floor CPU ms | ratio | CV load / floor | wall ms best | floor wall best | wall ratio best | |")
    out.append("|---|---:|---:|---:|---:|---:|---:|---:|---:|---|")
    for name, title, count in SETS:
        load = find(stats, "load/" + name)
        floor = find(stats, "load/%s/decode-floor" % name)
        if not load or not floor:
            continue
        ratio = cpu_ms(load["row"]) / cpu_ms(floor["row"])
        wall = to_ms(load["best"]) / to_ms(floor["best"])
        out.append("| %s | %s | %.2f | %.2f | %.2f | %s / %s | %.2f | %.2f | %.2f | %s |" % (
            title, int(load["row"].get("pictures", count)), cpu_ms(load["row"]), cpu_ms(floor["row"]), ratio,
            percent(load["cv_cpu"]), percent(floor["cv_cpu"]), to_ms(load["best"]), to_ms(floor["best"]), wall,
            goal(ratio <= LOAD_RATIO_GOAL)))
    out.append("")
    rows = []
    for name, title, _ in SETS:
        load = callgrind(folder, "load-" + name)
        floor = callgrind(folder, "decode-" + name)
        if not load or not floor:
            continue
        extra = {}
        for obj, ir in load["objects"].items():
            base = os.path.basename(obj)
            if base == load["program"]:
                continue
            extra[base] = extra.get(base, 0) + ir
        for obj, ir in floor["objects"].items():
            base = os.path.basename(obj)
            if base == floor["program"]:
                continue
            extra[base] = extra.get(base, 0) - ir
        top = sorted(((ir, obj) for obj, ir in extra.items() if ir > 0), reverse=True)[:3]
        ratio = load["total"] / float(floor["total"])
        rows.append("| %s | %s | %s | %.2f | %s | %s |" % (
            name, "{:,.0f}".format(load["total"] / loads_counted), "{:,.0f}".format(floor["total"] / loads_counted),
            ratio, "{:,.0f}".format(load["game"] / loads_counted),
            ", ".join("%s +%s" % (obj, "{:,.0f}".format(ir / loads_counted)) for ir, obj in top)))
    if rows:
        out.append("In instructions (callgrind, per load, %d loads):\n" % loads_counted)
        out.append("| set | load | floor | ratio | game's own code | where the load exceeds the floor |")
        out.append("|---|---:|---:|---:|---:|---|")
        out.extend(rows)
        out.append("")


def alloc_section(out, stats, folder=None, frames_counted=10):
    out.append("## Heap allocations while frames run\n")
    out.append("Every `malloc`, `calloc`, `realloc` and aligned allocation of the process (all threads) is "
               "counted over 10 s of game time (1000 frames of idle step and display at 800 x 600, after a "
               "warm-up) and charged to the first object on its stack past the C/C++ runtime, so the game "
               "calling `strdup` or `new` counts as the game. In the menu the pointer moves over the items "
               "every 25 frames. Goal: none from the game.\n")
    out.append("| screen | frames | game | game / frame | driver and libraries / frame | by object (whole run) | |")
    out.append("|---|---:|---:|---:|---:|---|---|")
    for scene, title in SCENES:
        found = find(stats, "alloc/" + scene)
        if not found:
            continue
        row = found["row"]
        frames = row.get("frames", 1000)
        game = row.get("game_allocs", 0)
        others = row.get("all_allocs", 0) - game
        by = ", ".join("%s %d" % (key[3:], value) for key, value in sorted(row.items())
                       if key.startswith("by:") and isinstance(value, (int, float)))
        out.append("| %s | %d | %d | %.3f | %.1f | %s | %s |" % (
            title, frames, game, game / frames, others / frames, by or "none", goal(game == 0)))
        if row.get("label"):
            out.append("| | | | | | %s | |" % row["label"])
    out.append("")
    checks = []
    for scene, title in SCENES:
        summary = callgrind(folder, "frames-" + scene) if folder else None
        if not summary or "game_allocator_calls" not in summary:
            continue
        others = ", ".join("%s %.1f" % (os.path.basename(obj), count / float(frames_counted))
                           for obj, count in summary["allocator_calls_by_object"].items()
                           if os.path.basename(obj) != summary["program"])
        checks.append("%s: %d from the game's functions; per frame %s" % (title, summary["game_allocator_calls"], others or "none"))
    if checks:
        out.append("Cross-check from the callgrind call graph (direct calls to an allocator over the %d counted "
                   "frames at 800 x 600): " % frames_counted + "; ".join(checks) + ".\n")


def jpeg_size(path):
    """(width, height) from a JPEG file's start-of-frame marker, or None."""
    with open(path, "rb") as handle:
        data = handle.read()
    at = 2
    while at + 9 < len(data):
        if data[at] != 0xFF:
            at += 1
            continue
        marker = data[at + 1]
        if marker in (0xC0, 0xC1, 0xC2):
            height = (data[at + 5] << 8) | data[at + 6]
            width = (data[at + 7] << 8) | data[at + 8]
            return width, height
        if marker == 0xD8 or 0xD0 <= marker <= 0xD7 or marker == 0x01 or marker == 0xFF:
            at += 2 if marker != 0xFF else 1
            continue
        at += 2 + ((data[at + 2] << 8) | data[at + 3])
    return None


def data_sizes(data):
    """Bytes the base and futuristic pictures take as four-byte texels, and the sounds' bytes, from data/."""
    sizes = {"base": 0, "futuristic": 0, "sounds": 0}
    futuristic = ["ground/%d" % i for i in range(11)] + ["ground/17", "others/back", "others/ball", "others/board"]
    playground1 = ["ground/%d" % i for i in range(11, 19)] + ["others/back2", "others/ball2", "others/board2"]
    for path in sorted(glob_files(os.path.join(data, "pictures"), ".jpg")):
        name = os.path.relpath(path, os.path.join(data, "pictures"))[:-4]
        size = jpeg_size(path)
        if not size:
            continue
        texels = size[0] * size[1] * 4
        if name in futuristic:
            sizes["futuristic"] += texels
        elif name not in playground1:
            sizes["base"] += texels
    for path in glob_files(os.path.join(data, "sound"), ".wav"):
        sizes["sounds"] += os.path.getsize(path)
    return sizes


def glob_files(folder, suffix):
    for root, _, files in os.walk(folder):
        for name in files:
            if name.endswith(suffix):
                yield os.path.join(root, name)


def memory_section(out, memory, data=None):
    out.append("## Peak resident memory of the real game\n")
    out.append("The real `tarvo-rink` in window mode at 800 x 600 with music and effects on (SDL's dummy "
               "audio driver), driven by X input: start-up and intro, Escape to the menu, single player on "
               "the futuristic playground (the larger picture set) with player 1 holding the serve key for "
               "%d s, Escape back to the menu, and the exit through the menu. VmHWM is the kernel's peak "
               "resident size so far. The floor is a program with the same libraries, sound device and "
               "window that only clears and swaps (`tarvo-bench-bare`).\n" % memory.get("match_seconds", 0))
    out.append("| moment | VmRSS | VmHWM (peak so far) |")
    out.append("|---|---:|---:|")
    for point in memory.get("checkpoints", []):
        out.append("| %s | %.1f MiB | %.1f MiB |" % (point["moment"], point["rss_kb"] / 1024.0, point["hwm_kb"] / 1024.0))
    out.append("")
    peak = memory.get("peak_kb")
    floor = memory.get("floor_kb")
    sentences = []
    if peak and floor:
        sentences.append("Peak: **%.1f MiB**; floor: %.1f MiB; the game adds %.1f MiB (ratio %.2f)."
                         % (peak / 1024.0, floor / 1024.0, (peak - floor) / 1024.0, peak / float(floor)))
    if memory.get("exit_status") is not None:
        sentences.append("The game left through the menu with exit status %s." % memory["exit_status"])
    else:
        sentences.append("**The game did not leave through the menu** (it was stopped).")
    out.append(" ".join(sentences) + "\n")
    if data and os.path.isdir(data) and peak and floor:
        sizes = data_sizes(data)
        known = sizes["base"] + sizes["futuristic"] + sizes["sounds"]
        out.append("Of what the game adds, from the files in `data/`: the base pictures as textures of four bytes "
                   "per texel %.1f MiB, the futuristic set %.1f MiB, the twelve sounds as the mixer holds them "
                   "(already in its format) %.1f MiB; the other %.1f MiB is not broken down here (see the "
                   "next table for what the first frames drawn take).\n"
                   % (sizes["base"] / 1048576.0, sizes["futuristic"] / 1048576.0, sizes["sounds"] / 1048576.0,
                      (peak - floor) / 1024.0 - known / 1048576.0))


def matches_section(out, points):
    out.append("Matches one after another (the bench program, no sound: 100 menu frames, then 20 matches "
               "alternating the two playgrounds, 100 frames each and 100 menu frames after each), to see "
               "whether what a match start takes comes back at its end:\n")
    out.append("| moment | VmRSS | VmHWM (peak so far) |")
    out.append("|---|---:|---:|")
    for point in points:
        out.append("| %s | %.1f MiB | %.1f MiB |" % (point["moment"], point["rss_kb"] / 1024.0, point["hwm_kb"] / 1024.0))
    out.append("")


def ms(probe, key):
    value = (probe or {}).get(key)
    return "%.1f" % value if value is not None else "n/a"


def figure(value, form="%.1f"):
    return form % value if value is not None else "n/a"


# The network runs' rows: which side's own bat, and the same bat of the local match beside it.
NET_SIDES = [("host", "host, bat 1 (a, z)", "bat1"), ("guest", "guest, bat 2 (a, z)", "bat2")]


def link_title(link):
    if link.get("routers"):
        return "%s: home to home, met by room code %s (%s NAT)" % (link["name"], link.get("path", "?"), link["routers"])
    if link.get("watchers"):
        return "direct, loopback, %d watchers" % len(link["watchers"])
    if not link.get("delay_ms"):
        return "direct, loopback"
    return "relay, %g +- %g ms, %g %% lost, %g %% doubled" % (
        link["delay_ms"], link.get("jitter_ms", 0), link.get("loss_percent", 0), link.get("duplicate_percent", 0))


def mean_depth(line, bat_step):
    """About how many steps a side's roll-backs went back: the other bat's mean jump over its travel a step.

    Here only the other side's presses are rolled back, and a bat predicted still (or still moving) moves
    one step's travel for every step the roll-back takes back."""
    if not bat_step or line.get("bat_jump_mean") is None or not line.get("corrections"):
        return None
    return line["bat_jump_mean"] / bat_step


def relay_depths(link, bat_step):
    """The sentence that weighs the two sides' roll-back depths through the relay against its round trip."""
    host, guest = link.get("host_stats") or {}, link.get("guest_stats") or {}
    round_trip = 2 * link.get("delay_ms", 0) / 10.0
    sentence = "Through the impairing relay the round trip is about %.0f steps of 10 ms; the two sides' deepest roll-backs add " \
               "up to %s steps" % (round_trip, figure((host.get("deepest") or 0) + (guest.get("deepest") or 0), "%d"))
    means = [mean_depth(host, bat_step), mean_depth(guest, bat_step)]
    if None not in means:
        sentence += " and their mean depths to about %.0f" % sum(means)
    waits = (host.get("waits") or 0) + (guest.get("waits") or 0)
    if (host.get("deepest") or 0) + (guest.get("deepest") or 0) < round_trip:
        sentence += ", **less than the round trip: the relay cannot have been in the path**"
    else:
        sentence += (", more than the round trip by each side's wait for its next frame to send a key and for the "
                     "one that reads it, and by the next datagram when one is lost")
    if waits:
        sentence += ("; %d times a side ran the 25 steps it may run beyond what it knows of the other and waited, "
                     "its own bat held still meanwhile, which lifts its own-bat times" % waits)
    return sentence + "."


def ratio(value, base):
    return "%.2f" % (value / base) if value is not None and base else "n/a"


def met_table(out, links):
    """The links met through the lobby beside direct on loopback, own bat by own bat, with their ratios;
    each after the first also over the first (the relayed link over the punched one)."""
    direct = next((l for l in links if l.get("name") == "direct"), {})
    met = [l for l in links if l.get("routers") and not l.get("skipped")]
    if not met:
        return
    first = met[0]
    out.append("The links met through the lobby beside direct on loopback, measured in the same run: each "
               "ratio is the link's figure over direct's, and over the %s link's in the last column.\n" % first["name"])
    out.append("| link | side | direct median / p90 | link median / p90 | ratio median | ratio p90 "
               "| over %s: median / p90 |" % first["name"])
    out.append("|---|---|---:|---:|---:|---:|---:|")
    for link in met:
        for side, title, _ in NET_SIDES:
            plain, probe = direct.get(side + "_bat") or {}, link.get(side + "_bat") or {}
            base = first.get(side + "_bat") or {}
            over = "" if link is first else "%s / %s" % (
                ratio(probe.get("median_ms"), base.get("median_ms")), ratio(probe.get("p90_ms"), base.get("p90_ms")))
            out.append("| %s | %s | %s / %s | %s / %s | %s | %s | %s |" % (
                link["name"], title, ms(plain, "median_ms"), ms(plain, "p90_ms"), ms(probe, "median_ms"),
                ms(probe, "p90_ms"), ratio(probe.get("median_ms"), plain.get("median_ms")),
                ratio(probe.get("p90_ms"), plain.get("p90_ms")), over))
    out.append("")


# What a TURN Send (or Data) indication puts around a datagram, at the least: its 20 bytes of head, the
# peer's address (XOR-PEER-ADDRESS, 12 for IPv4) and the DATA attribute's own 4.
INDICATION_BYTES = 36


def per_second(count, entry):
    span = (entry.get("last") or 0) - (entry.get("first") or 0)
    return figure(count / span if span > 0 else None, "%.0f")


def carried(entry, kind, key="bytes"):
    return "%d %s, %d bytes over %s s (%s bytes/s)" % (
        entry.get(kind, 0), "ChannelData" if kind == "channel" else "datagrams", entry.get(key, 0),
        figure((entry.get("last") or 0) - (entry.get("first") or 0)), per_second(entry.get(key, 0), entry))


def framing(entry):
    """What ChannelData adds to the game's datagrams it carries one way, beside a Send or Data indication."""
    channel, payload = entry.get("channel", 0), entry.get("payload", 0)
    if not channel or not payload:
        return ""
    return (" The game's datagrams inside (ENet's, its headers included) came to %.1f bytes on average; "
            "ChannelData's 4 bytes of head and %.2f bytes of padding to four a datagram add %s to them, where a "
            "Send or Data indication would add at least %d a datagram, %s." % (
                payload / float(channel), entry.get("padding", 0) / float(channel),
                percent((entry.get("channel_bytes", 0) - payload) / float(payload)), INDICATION_BYTES,
                percent(INDICATION_BYTES * channel / float(payload))))


def relay_traffic(link):
    """What the relay carried each way, counted on the lobby's bridge, and what its framing adds."""
    ways = link["capture"]
    up, down = ways.get("guest_to_relay", {}), ways.get("relay_to_guest", {})
    return ("Through the lobby's relay on the %s link, counted on the lobby's bridge (`bench/relay_capture.py`; UDP "
            "payloads, each way over the time from its first datagram of the game to its last). Guest to host: the "
            "relay took %s from the guest and sent the host %s.%s Host to guest: it took %s from the host and sent "
            "the guest %s.%s The guest's relay socket also sent %d STUN messages (%d bytes) and had %d back (%d "
            "bytes): the allocation, the permission, the channel, the host's datagrams before the channel was "
            "bound, the release." % (
                link["name"], carried(up, "channel", "channel_bytes"), carried(ways.get("relay_to_host", {}), "datagrams"),
                framing(up), carried(ways.get("host_to_relay", {}), "datagrams"),
                carried(down, "channel", "channel_bytes"), framing(down), up.get("stun", 0), up.get("stun_bytes", 0),
                down.get("stun", 0), down.get("stun_bytes", 0)))


def met_notes(links, notes):
    """What each link met through the lobby took, or why it was skipped."""
    for link in (l for l in links if l.get("routers")):
        if link.get("skipped"):
            notes.append("**The %s link was skipped**: %s; its rows are left out above." % (link["name"], link["skipped"]))
            continue
        notes.append("The %s link met the room %s at %s %s s after the guest started, and took %s s in all with "
                     "the test internet and the lobby set up and taken down." % (
                         link["name"], link.get("path", "?"), link.get("met", "?"), figure(link.get("meet_seconds")),
                         figure(link.get("seconds"), "%d")))


def net_tables(out, net, notes):
    """The key-to-pixels table and the stats table of net_play.sh's runs; the relay's counts go to notes."""
    links = [l for l in net.get("links", []) if not l.get("skipped")]
    out.append("Two real games, each on its own virtual display, 640 x 480 windows, music and effects off "
               "(`bench/net_play.sh`). The guest joins, the host starts a two-player tennis match, and nobody "
               "serves, so the ball waits on bat 1. The link is direct on loopback; then *punched*: the host "
               "in home a and the guest in home b of the test internet (`tests/e2e/lib/internet.sh`, each "
               "home behind a router that masquerades and lets in only answers, the lobby between them), the "
               "guest joining by the host's room code and both punching through their routers; then *relayed*: "
               "the same between two symmetric routers, which no punch gets through, so the guest plays through "
               "the lobby's TURN relay (coturn); then through `tests/tools/udp_relay.py`, which delays, jitters, drops and doubles every datagram each way. "
               "The key probe (`tarvo-key-probe`) presses a and z in turn, %d presses of 100 ms, and times each "
               "from the X server taking the key to the bat's pixels changing: on the host's own bat, then on "
               "the guest's own bat on the guest's screen. The floor is the same probe on a local two-player "
               "match (`bench/key_response.sh`), alone and beside a second game drawing its own match on the "
               "other display, as the guest does. Each game draws as fast as it can, so two games share the "
               "machine's two cores.\n" % net.get("presses", 20))
    local, beside = net.get("local", {}), net.get("beside", {})
    out.append("| link | side | median ms | p90 | max | misses | local alone: median / p90 | beside a second game: median / p90 |")
    out.append("|---|---|---:|---:|---:|---:|---:|---:|")
    for name, title in (("bat1", "bat 1 (a, z)"), ("bat2", "bat 2 (Up, Down)")):
        out.append("| local two-player match | %s | %s | %s | %s | %s | | |" % (
            title, ms(local.get(name), "median_ms"), ms(local.get(name), "p90_ms"), ms(local.get(name), "max_ms"),
            figure((local.get(name) or {}).get("misses"), "%d")))
    for link in links:
        for side, title, bat in NET_SIDES:
            probe = link.get(side + "_bat")
            out.append("| %s | %s | %s | %s | %s | %s | %s / %s | %s / %s |" % (
                link_title(link), title, ms(probe, "median_ms"), ms(probe, "p90_ms"), ms(probe, "max_ms"),
                figure((probe or {}).get("misses"), "%d"), ms(local.get(bat), "median_ms"),
                ms(local.get(bat), "p90_ms"), ms(beside.get(bat), "median_ms"), ms(beside.get(bat), "p90_ms")))
    out.append("")
    met_table(out, links)

    out.append("Each side's `Network stats:` line at the end of the match (`TARVO_NET_STATS=1`), the match "
               "lasting through both probes. A correction is a roll-back that moved the ball or the other "
               "side's bat; the jumps are how far, in the match's own units (a bat is 0.23 long, the ball's way "
               "between the boards 0.95), before the fade on screen. Here they come from the other side's presses alone; the ball moves only "
               "with bat 1, so only the guest sees it jump. Bytes are the game's own packets, without ENet's "
               "and UDP's headers; holds go out at most once a frame and a hundred times a second, so their "
               "rate follows the frame rate.\n")
    out.append("| link | side | steps in s | roll-backs (deepest, steps) | mean depth, steps | corrections a minute "
               "| ball jump mean / max | other bat jump mean / max | waits | bytes/s out | bytes/s in |")
    out.append("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    bat_step = net.get("bat_step")
    for link in links:
        for side, _, _ in NET_SIDES:
            line = link.get(side + "_stats") or {}
            out.append("| %s | %s | %s in %s | %s (%s) | %s | %s | %s / %s | %s / %s | %s | %s | %s |" % (
                link_title(link), side, figure(line.get("steps"), "%d"), figure(line.get("seconds")),
                figure(line.get("rollbacks"), "%d"), figure(line.get("deepest"), "%d"),
                figure(mean_depth(line, bat_step)),
                figure(line.get("corrections_a_minute")), figure(line.get("ball_jump_mean"), "%.4f"),
                figure(line.get("ball_jump_max"), "%.4f"), figure(line.get("bat_jump_mean"), "%.4f"),
                figure(line.get("bat_jump_max"), "%.4f"), figure(line.get("waits"), "%d"),
                figure(line.get("bytes_out_per_s"), "%.0f"), figure(line.get("bytes_in_per_s"), "%.0f")))
            if line.get("taken_from_host"):
                notes.append("**The %s's match went out of step %d times** (%s)."
                              % (side, line["taken_from_host"], link_title(link)))
        watchers = link.get("watchers")
        if watchers:
            rates = [w.get("bytes_per_s", 0) for w in watchers]
            plain = next((l for l in links if l.get("name") == "direct"), {})
            notes.append("With %d stand-in watchers of the match (`tarvo-net-peer watcher`, each saying how far it "
                         "has the holds, as a watching game does), each received %s bytes a second of the game's "
                         "packets (%s in all, mean %s), and the host sent %s bytes a second in all, against %s with "
                         "none; the own-bat times with them stand in the table above beside those without." % (
                             len(watchers), " / ".join(figure(r, "%.0f") for r in rates), figure(sum(rates), "%.0f"),
                             figure(sum(rates) / len(rates), "%.0f"),
                             figure((link.get("host_stats") or {}).get("bytes_out_per_s"), "%.0f"),
                             figure((plain.get("host_stats") or {}).get("bytes_out_per_s"), "%.0f")))
        if link.get("capture"):
            notes.append(relay_traffic(link))
        relay = link.get("relay")
        if relay:
            notes.append(relay_depths(link, bat_step))
            notes.append("Through the impairing relay, over its %s s (the guest joining, the wait and the match), counted "
                         "as UDP payloads with ENet's headers, acknowledgements and pings: " % figure(
                             relay.get("to_host", {}).get("seconds")) + "; ".join(
                "%s %d datagrams, %d bytes (%s/s), %d dropped, %d doubled" % (
                    way.replace("_", " "), counts.get("datagrams", 0), counts.get("bytes", 0),
                    figure(counts["bytes"] / counts["seconds"] if counts.get("seconds") else None, "%.0f"),
                    counts.get("dropped", 0), counts.get("doubled", 0))
                for way, counts in sorted(relay.items())) + ".")
    met_notes(net.get("links", []), notes)
    out.append("")


def shared_load(load):
    """True when the one-minute load average ("1.2 0.9 0.5") says other work was running: a whole core or more."""
    try:
        return float((load or "").split()[0]) >= 1.0
    except (ValueError, IndexError):
        return False


def net_section(out, stats, net):
    out.append("## Network play\n")
    notes = []
    if net.get("links"):
        net_tables(out, net, notes)
    rollback = find(stats, "sim/rollback-25")
    frame = find(stats, "frame/tennis/800x600")
    if rollback:
        wall, _ = to_ns(rollback["row"])
        best, _ = to_ns(rollback["best"])
        sentence = ("Roll-back cost (`sim/rollback-25`, in the bench process): a two-player tennis match in "
                    "fixed steps, set up without the network, both bats following the ball. Each iteration puts "
                    "back the copy kept 25 steps earlier, the deepest roll-back a side can make, and runs the 25 "
                    "steps again, each keeping its copy first; the ball flies all along. Median %.2f us (best "
                    "%.2f, CV %s), %.0f ns a step" % (wall / 1000.0, best / 1000.0, percent(rollback["cv"]),
                                                      wall / 25.0))
        if frame:
            sentence += ": %.3f %% of a tennis match frame at 800 x 600 (median %.3f ms)" % (
                100.0 * wall / (to_ms(frame["row"]) * 1e6), to_ms(frame["row"]))
        notes.append(sentence + ".")
    if net.get("seconds") is not None:
        notes.append("The network part took %s s; load average before / after it: %s / %s." % (
            net["seconds"], net.get("load_before", "?"), net.get("load_after", "?")))
        if shared_load(net.get("load_before")):
            notes.append("Other work shared the machine while it ran (a load of %s before its own games started), "
                         "so frames came slower and less evenly than on an idle machine, and every key-to-pixels "
                         "time above with them." % net["load_before"].split()[0])
    out.append(" ".join(notes) + "\n")


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: report.py <results folder>\n")
        return 2
    folder = sys.argv[1]
    benchmarks = load_json(os.path.join(folder, "benchmarks.json"))
    stats = medians(benchmarks)
    settings = load_json(os.path.join(folder, "settings.json")) if os.path.exists(os.path.join(folder, "settings.json")) else {}
    frames_counted = settings.get("callgrind_frames", 10)
    steps_counted = settings.get("callgrind_steps", 100000)
    loads_counted = settings.get("callgrind_loads", 3)
    context = benchmarks["context"]
    model, cores, memory_total, system = machine()

    out = ["# Benchmark results\n"]
    out.append("Written by `make bench` (bench/run.sh); every figure below comes from that one run, "
               "each beside its floor measured in the same run.\n")
    out.append("- Date: %s (benchmarks started %s)" % (
        datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"), context.get("date", "?")))
    out.append("- Machine: %s, %s cores at %s MHz, %s memory; %s" % (model, cores, context.get("mhz_per_cpu", "?"), memory_total, system))
    out.append("- Renderer: **%s**; OpenGL %s; vendor %s; llvmpipe threads: %s" % (
        context.get("gl_renderer", "?"), context.get("gl_version", "?"), context.get("gl_vendor", "?"), context.get("lp_num_threads", "?")))
    out.append("- Display: Xvfb (virtual X server), window mode; build type %s" % settings.get("build_type", "?"))
    changes = settings.get("source_changes")
    out.append("- Code: commit %s%s; the pictures and sounds were made by that code's generator" % (
        settings.get("source_commit", "?"),
        "" if not changes else " with %d files of `src/` or `tools/` changed and not yet committed" % changes))
    out.append("- Repetitions: %s per timing of at least %s s each, interleaved at random; each timing shows the best "
               "and the median repetition" % (settings.get("repetitions", "?"), settings.get("min_time", "?")))
    out.append("- Load average before / after the run: %s / %s (other work shares the machine: timings are "
               "noisy, ratios come from runs interleaved in the same process; the callgrind counts are exact)"
               % (settings.get("load_before", "?"), settings.get("load_after", "?")))
    out.append("")

    frame_section(out, stats, folder, frames_counted)
    share_section(out, folder, frames_counted)
    sim_section(out, stats, folder, steps_counted)
    load_section(out, stats, folder, loads_counted)
    alloc_section(out, stats, folder, frames_counted)
    memory_path = os.path.join(folder, "memory.json")
    if os.path.exists(memory_path):
        memory_section(out, load_json(memory_path), settings.get("data_dir"))
    matches_path = os.path.join(folder, "matches-memory.json")
    if os.path.exists(matches_path):
        matches_section(out, load_json(matches_path))
    net_path = os.path.join(folder, "net-play.json")
    if os.path.exists(net_path) or find(stats, "sim/rollback-25"):
        net_section(out, stats, load_json(net_path) if os.path.exists(net_path) else {})
    notes = os.path.join(os.path.dirname(os.path.abspath(__file__)), "NOTES.md")
    if os.path.exists(notes):
        out.append(read_text(notes))
        out.append("")
    sys.stdout.write("\n".join(out).rstrip("\n") + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
