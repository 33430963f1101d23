"""Checks of the results writer: the right run beside the right floor, medians, object groups and the verdicts."""
import json
import os
import sys
import tempfile
import unittest
from unittest import mock

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import report  # noqa: E402


def run(name, real_time, unit="ms", run_type="iteration", aggregate=None, **counters):
    row = {"name": name, "run_name": name, "run_type": run_type, "real_time": real_time,
           "cpu_time": real_time / 2, "time_unit": unit}
    if aggregate:
        row["aggregate_name"] = aggregate
        row["name"] = name + "_" + aggregate
    row.update(counters)
    return row


def repeated(name, times, unit="ms", **counters):
    """Rows of a benchmark run with repetitions: each run, then its aggregates."""
    ordered = sorted(times)
    rows = [run(name, t, unit, **counters) for t in times]
    rows.append(run(name, ordered[len(ordered) // 2], unit, "aggregate", "median", **counters))
    rows.append(run(name, 0.05, unit, "aggregate", "cv"))
    return rows


BENCHMARKS = {
    "context": {"date": "2026-01-01T00:00:00", "gl_renderer": "llvmpipe (LLVM 15.0.6, 256 bits)"},
    "benchmarks":
        # The floor runs first, as random interleaving may order them.
        repeated("load/base/decode-floor/real_time", [8.0, 9.0, 10.0], pictures=27)
        + repeated("load/base/real_time", [13.0, 12.0, 30.0], pictures=27)
        + repeated("frame/bare/800x600/real_time", [0.5, 0.4, 0.6])
        + repeated("frame/futuristic/800x600/real_time", [8.0, 9.0, 7.0])
        + repeated("frame/tennis/800x600/real_time", [8.0, 8.0, 8.0]) + repeated("sim/rollback-25", [2.0, 2.0, 2.0], unit="us")
        + repeated("sim/idle-step", [40.0, 2000.0, 45.0], unit="ns", in_flight_share=0.5)
        + [run("alloc/tennis/iterations:1/repeats:1", 7.0, "s", frames=1000, game_allocs=0, all_allocs=80000,
               **{"by:swrast_dri.so": 74000, "by:libX11.so.6": 6000}),
           run("alloc/menu/iterations:1/repeats:1", 7.0, "s", frames=1000, game_allocs=3, all_allocs=40003,
               label="game allocates at drawMenu+0x10")],
}


class FindingRuns(unittest.TestCase):
    def setUp(self):
        self.stats = report.medians(BENCHMARKS)

    def test_a_load_is_not_taken_for_its_floor_whose_name_extends_it(self):
        self.assertEqual(report.to_ms(report.find(self.stats, "load/base")["row"]), 13.0)
        self.assertEqual(report.to_ms(report.find(self.stats, "load/base/decode-floor")["row"]), 9.0)

    def test_run_options_are_ignored_but_other_names_do_not_match(self):
        self.assertIsNotNone(report.find(self.stats, "alloc/tennis"))
        self.assertIsNone(report.find(self.stats, "alloc/ten"))
        self.assertIsNone(report.find(self.stats, "frame/futuristic/800x6"))

    def test_the_median_of_the_repetitions_is_taken_not_an_outlier(self):
        wall, _ = report.to_ns(report.find(self.stats, "sim/idle-step")["row"])
        self.assertEqual(wall, 45.0)
        self.assertEqual(report.find(self.stats, "sim/idle-step")["cv"], 0.05)


class ObjectGroups(unittest.TestCase):
    def test_driver_generated_code_runtime_and_other_objects(self):
        self.assertTrue(report.group_of("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so").startswith("OpenGL driver"))
        self.assertTrue(report.group_of("???").startswith("driver's generated code"))
        self.assertTrue(report.group_of("/usr/lib/x86_64-linux-gnu/libc.so.6").startswith("C and C++ runtime"))
        self.assertTrue(report.group_of("/usr/lib/libglut.so.3.12.0").startswith("freeglut"))
        self.assertIsNone(report.group_of("/usr/lib/libsomething.so"))

    def test_the_program_is_split_into_game_and_harness_and_never_counted_twice(self):
        summary = {"program": "tarvo-bench-profile", "game": 150, "harness": 10,
                   "objects": {"/b/bench/tarvo-bench-profile": 160, "/usr/lib/swrast_dri.so": 1000, "???": 90}}
        rows = dict(report.grouped(summary))
        self.assertEqual(rows["the game's own code"], 150)
        self.assertEqual(sum(rows.values()), 1250)


class Sections(unittest.TestCase):
    def setUp(self):
        self.stats = report.medians(BENCHMARKS)

    def test_load_ratio_is_load_over_its_own_floor_with_a_verdict(self):
        out = []
        with tempfile.TemporaryDirectory() as folder:
            report.load_section(out, self.stats, folder, 3)
        row = next(line for line in out if line.startswith("| start-up"))
        # CPU medians 6.5 over 4.5; wall best 12 over 8: the outlier of 30 ms counts in neither.
        self.assertIn("| 27 | 6.50 | 4.50 | 1.44 |", row)
        self.assertIn("| 12.00 | 8.00 | 1.50 |", row)
        self.assertIn("short of the goal", row)

    def test_allocations_from_the_game_fail_and_name_the_place(self):
        out = []
        report.alloc_section(out, self.stats)
        text = "\n".join(out)
        menu = next(line for line in out if line.startswith("| menu"))
        tennis = next(line for line in out if line.startswith("| match on tennis"))
        self.assertIn("short of the goal", menu)
        self.assertIn("| 3 | 0.003 |", menu)
        self.assertIn("meets the goal", tennis)
        self.assertIn("| 80.0 |", tennis)  # driver and libraries per frame
        self.assertIn("drawMenu+0x10", text)

    def test_the_whole_report_is_written_from_a_results_folder(self):
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "benchmarks.json"), "w", encoding="utf-8") as handle:
                json.dump(BENCHMARKS, handle)
            with open(os.path.join(folder, "memory.json"), "w", encoding="utf-8") as handle:
                json.dump({"match_seconds": 15, "checkpoints": [{"moment": "main menu", "rss_kb": 2048, "hwm_kb": 4096}],
                           "peak_kb": 4096, "floor_kb": 2048, "exit_status": 0}, handle)
            with open(os.path.join(folder, "net-play.json"), "w", encoding="utf-8") as handle:
                json.dump({"local": {"bat1": {"median_ms": 20.0}, "bat2": {"median_ms": 30.0}}, "links": [{"delay_ms": 75,
                           "guest_bat": {"median_ms": 40.0, "p90_ms": 50.0, "max_ms": 60.0, "misses": 0},
                           "host_stats": {"deepest": 12, "corrections": 4, "bat_jump_mean": 0.08, "waits": 0},
                           "guest_stats": {"deepest": 11, "corrections": 0, "bat_jump_mean": 0.0, "waits": 3},
                           "relay": {"to_host": {"datagrams": 10, "bytes": 300, "seconds": 2.0}}}],
                           "bat_step": 0.01, "seconds": 90, "load_before": "0.99 2.0 2.0"}, handle)
            with mock.patch.object(sys, "argv", ["report.py", folder]), mock.patch("sys.stdout") as stdout:
                self.assertEqual(report.main(), 0)
            text = "".join(call.args[0] for call in stdout.write.call_args_list)
        self.assertIn("llvmpipe (LLVM 15.0.6, 256 bits)", text)
        self.assertIn("| 800x600 | match on futuristic | 7.000 | 8.000 | 143 |", text)
        self.assertIn("Peak: **4.0 MiB**; floor: 2.0 MiB", text)
        # The guest's own bat 2 beside bat 2's local floor; 2 us of roll-back against an 8 ms tennis frame.
        self.assertIn("| guest, bat 2 (a, z) | 40.0 | 50.0 | 60.0 | 0 | 30.0 / n/a | n/a / n/a |", text)
        self.assertIn("0.025 % of a tennis match frame", text)
        # Roll-back depths from the other bat's jumps, where a side corrected anything; a load under one core is no one else's.
        self.assertIn("| n/a (12) | 8.0 | n/a |", text)
        self.assertIn("deepest roll-backs add up to 23 steps, more than", text)
        self.assertIn("3 times a side ran the 25 steps", text)
        self.assertNotIn("Other work shared the machine", text)


class MetLinks(unittest.TestCase):
    DIRECT = {"name": "direct", "host_bat": {"median_ms": 40.0, "p90_ms": 50.0}, "guest_bat": {"median_ms": 20.0}}
    PUNCHED = {"name": "punched", "routers": "cone", "path": "through the routers", "met": "198.51.100.11:47312",
               "meet_seconds": 1.2, "seconds": 37, "host_bat": {"median_ms": 50.0, "p90_ms": 75.0},
               "guest_bat": {"median_ms": 30.0}}

    RELAYED = {"name": "relayed", "routers": "symmetric", "path": "through the relay", "met": "198.51.100.1:49277",
               "host_bat": {"median_ms": 60.0, "p90_ms": 90.0}, "guest_bat": {"median_ms": 45.0},
               "capture": {"guest_to_relay": {"channel": 100, "channel_bytes": 3700, "payload": 3300, "padding": 0,
                                              "stun": 5, "stun_bytes": 476, "first": 1.0, "last": 11.0},
                           "relay_to_host": {"datagrams": 100, "bytes": 3300, "first": 1.0, "last": 11.0}}}

    def tables(self, *links):
        out, notes = [], []
        report.net_tables(out, {"links": list(links)}, notes)
        return "\n".join(out), " ".join(notes)

    def test_punched_stands_beside_direct_with_its_ratios(self):
        text, notes = self.tables(self.DIRECT, self.PUNCHED)
        self.assertIn("| punched | host, bat 1 (a, z) | 40.0 / 50.0 | 50.0 / 75.0 | 1.25 | 1.50 |  |", text)
        self.assertIn("| punched | guest, bat 2 (a, z) | 20.0 / n/a | 30.0 / n/a | 1.50 | n/a |  |", text)
        self.assertIn("met the room through the routers at 198.51.100.11:47312 1.2 s after", notes)

    def test_relayed_stands_over_direct_and_over_punched_and_says_what_the_relay_carried(self):
        text, notes = self.tables(self.DIRECT, self.PUNCHED, self.RELAYED)
        self.assertIn("| relayed | host, bat 1 (a, z) | 40.0 / 50.0 | 60.0 / 90.0 | 1.50 | 1.80 | 1.20 / 1.20 |", text)
        # 3700 bytes of ChannelData in 10 s from the guest, 3300 of them the game's: 4 bytes a datagram, 12.1 %.
        self.assertIn("took 100 ChannelData, 3700 bytes over 10.0 s (370 bytes/s) from the guest and sent the host "
                      "100 datagrams, 3300 bytes over 10.0 s (330 bytes/s)", notes)
        self.assertIn("33.0 bytes on average; ChannelData's 4 bytes of head and 0.00 bytes of padding to four a "
                      "datagram add 12.1 %", notes)
        self.assertIn("at least 36 a datagram, 109.1 %", notes)

    def test_a_skipped_link_says_why_and_has_no_rows(self):
        text, notes = self.tables(self.DIRECT, {"name": "punched", "routers": "cone", "skipped": "network namespaces need root"})
        self.assertNotIn("| punched", text)
        self.assertIn("**The punched link was skipped**: network namespaces need root", notes)


if __name__ == "__main__":
    unittest.main()
