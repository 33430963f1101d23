"""Checks of the callgrind reader: self cost per object and per game function, with compressed names and calls."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import callgrind_objects  # noqa: E402

# A small dump in the shape callgrind writes: compressed names defined once and
# then used by number, relative positions, and calls whose cost line is the
# callee's inclusive cost (which must not count for the caller).
SAMPLE = """\
version: 1
creator: callgrind-3.19.0
positions: line
events: Ir
summary: 99999
totals: 1260

ob=(1) /work/build/bench/tarvo-bench-profile
fl=(1) scene.cpp
fn=(1) drawMatch()
10 100
+2 50
cob=(2) /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so
cfi=(2) ???
cfn=(2) 0x0000000000001234
calls=3 0
* 5000
cob=(4) /usr/lib/x86_64-linux-gnu/libc.so.6
cfn=(6) snprintf
calls=2 0
* 700
cfn=(3)
calls=1 0
* 40
fn=(3) bench::gameFrame()
5 10
cob=(4)
cfn=(7) malloc
calls=4 0
* 80
ob=(2)
fl=(2)
fn=(2)
0 1000
cob=(4)
cfn=(7)
calls=9 0
* 180
fn=(4) 0x00000000000beef0
0 90
ob=(3) ???
fl=(2)
fn=(5) 0x0000000004000000
0 10
"""

TWO_POSITIONS = """\
positions: instr line
events: Ir Dr
ob=(1) /tmp/prog
fn=(1) main
0x10 3 7 2
+4 * 5 1
"""


class CallgrindReader(unittest.TestCase):
    def setUp(self):
        self.events, self.objects, self.functions = callgrind_objects.parse(SAMPLE.splitlines(True))

    def test_self_cost_per_object_leaves_out_the_cost_of_calls(self):
        self.assertEqual(self.objects["/work/build/bench/tarvo-bench-profile"], 160)
        self.assertEqual(self.objects["/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"], 1090)
        self.assertEqual(self.objects["???"], 10)
        self.assertEqual(sum(self.objects.values()), 1260)  # the dump's own "totals"

    def test_names_given_by_number_resolve_to_their_first_definition(self):
        program = "/work/build/bench/tarvo-bench-profile"
        self.assertEqual(self.functions[(program, "drawMatch()")], 150)
        self.assertEqual(self.functions[("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "0x0000000000001234")], 1000)

    def test_calls_into_the_runtime_are_gathered_and_a_call_target_object_lasts_one_call(self):
        calls = {}
        callgrind_objects.parse(SAMPLE.splitlines(True), calls)
        program = "/work/build/bench/tarvo-bench-profile"
        # snprintf in libc counts; the call after it names no object, so it stays in the program.
        self.assertEqual(calls[(program, "drawMatch()")], 700)
        self.assertEqual(calls[(program, "bench::gameFrame()")], 80)

    def test_the_first_event_counts_whatever_the_number_of_positions(self):
        events, objects, _ = callgrind_objects.parse(TWO_POSITIONS.splitlines(True))
        self.assertEqual(events, ["Ir", "Dr"])
        self.assertEqual(objects["/tmp/prog"], 12)

    def test_summary_splits_the_program_into_game_and_bench_harness(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "callgrind.out")
            with open(path, "w", encoding="utf-8") as handle:
                handle.write(SAMPLE)
            summary = callgrind_objects.summarise(path, "tarvo-bench-profile")
        self.assertEqual(summary["total"], 1260)
        self.assertEqual(summary["game"], 150)
        self.assertEqual(summary["harness"], 10)
        self.assertEqual(summary["game_functions"][0], {"function": "drawMatch()", "ir": 150})
        self.assertEqual(summary["game_runtime_calls"], 700)
        # Allocator calls by the game's functions (none), by the harness (4) and by the driver (9).
        self.assertEqual(summary["game_allocator_calls"], 0)
        self.assertEqual(summary["allocator_calls_by_object"],
                         {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so": 9, "/work/build/bench/tarvo-bench-profile": 4})


if __name__ == "__main__":
    unittest.main()
