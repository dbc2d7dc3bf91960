# tests/test_floorplan.py: tools/calefax-floorplan: units snapped to the grid, areas reported, bad
# input refused, the written input file accepted by the simulator
# (Python 3.6 or later, standard library only; older interpreters skip with status 77.)

import argparse
import os
import re
import subprocess
import sys
import tempfile
import unittest

MIN_PYTHON = (3, 6)

# The example die in 40 x 40 cells of 0.25 mm; units of 0.55 mm = 2.2 cells tile it from 0 on,
# their edges at 0, 2.2, 4.4, 6.6 cells snapping to nodes 0, 2, 4, 7.
ROWS = [(0.0, 0, 2), (0.55e-3, 2, 4), (1.1e-3, 4, 7)]
UNITS = "# 0.55 mm units\n\n" + "".join(
    "u%d%d %r %r %r %r 1.75e6  # further fields ignored\n" % (c, r, 0.55e-3, 0.55e-3, x, y)
    for c, (x, _, _) in enumerate(ROWS) for r, (y, _, _) in enumerate(ROWS))


def flp_line(name, w, h, x, y):
    return "%s\t%r\t%r\t%r\t%r\n" % (name, w, h, x, y)


def corners(text):
    """{name: (x1, y1, z1, x2, y2, z2, layer, density)} of the block records of an input file."""
    return {f[0]: tuple(int(v) for v in f[1:7]) + (f[7], float(f[8]))
            for f in (line.split() for line in text.splitlines() if not line.startswith("*"))}


class FloorplanTool(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory(prefix="calefax-floorplan-")
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name
        with open(os.path.join(ARGS.examples, "chip.dat"), encoding="utf-8") as f:
            self.write("chip.dat", f.read())

    def write(self, name, text):
        with open(os.path.join(self.dir, name), "w", encoding="utf-8") as f:
            f.write(text)

    def read(self, name):
        with open(os.path.join(self.dir, name), encoding="utf-8") as f:
            return f.read()

    def run_tool(self, flp, extra=(), status=0, data="chip.dat"):
        """Writes f.flp, converts it (z 7..8, layer active) and checks the exit status."""
        self.write("f.flp", flp)
        r = subprocess.run([sys.executable, ARGS.tool, data, "f.flp", "--z", "7", "8", "--layer",
                            "active"] + list(extra), cwd=self.dir, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, universal_newlines=True, timeout=120)
        self.assertEqual(status, r.returncode, r.stderr)
        return r

    # 0.55 mm units on the 0.25 mm grid: corners to the nearest nodes, the worst area error named.
    def test_snapping_and_area_report(self):
        r = self.run_tool(UNITS)
        blocks = corners(r.stdout)
        self.assertEqual(["u%d%d" % (c, w) for c in range(3) for w in range(3)], sorted(blocks))
        for c, (_, i0, i1) in enumerate(ROWS):
            for w, (_, j0, j1) in enumerate(ROWS):
                self.assertEqual((i0, j0, 7, i1, j1, 8, "ACTIVE", 0.0), blocks["u%d%d" % (c, w)])
        self.assertRegex(r.stderr, "\n  u12 +2..4 +4..7 +0.3025 +0.375 +\\+23.97%\n")
        self.assertTrue(r.stderr.endswith("calefax-floorplan: worst area error: u22 +85.95% "
                                          "(0.5625 mm^2 snapped against 0.3025 mm^2)\n"))

    # An edge halfway between nodes goes to the higher node; units overlapping by less than the
    # snapping (0.05 mm) are accepted and meet on one node line; --density and -o.
    def test_ties_small_overlap_density_and_output_file(self):
        flp = (flp_line("tie", 0.25e-3, 0.5e-3, 0.125e-3, 0.375e-3) +
               flp_line("a", 1e-3, 1e-3, 2e-3, 2e-3) + flp_line("b", 1e-3, 1e-3, 2.95e-3, 2e-3))
        self.assertEqual("", self.run_tool(flp, ["--density", "2.5e9", "-o", "out.in"]).stdout)
        blocks = corners(self.read("out.in"))
        self.assertEqual((1, 2, 7, 2, 4, 8, "ACTIVE", 2.5e9), blocks["tie"])
        self.assertEqual([(8, 8, 12, 12), (12, 8, 16, 12)],
                         [blocks[n][0:2] + blocks[n][3:5] for n in ("a", "b")])

    # --offset moves every unit in the die before snapping: by whole cells, and by 0.4 cell.
    def test_offset(self):
        for offset, u11, u00 in [(("1e-3", "0.002"), (6, 10, 8, 12), (4, 8, 6, 10)),
                                 (("0.0001", "0"), (3, 2, 5, 4), (0, 0, 3, 2))]:
            blocks = corners(self.run_tool(UNITS, ["--offset"] + list(offset)).stdout)
            self.assertEqual([u11, u00], [blocks[n][0:2] + blocks[n][3:5] for n in ("u11", "u00")])

    # The file written for the example floorplan runs in the simulator (one time step).
    def test_simulator_accepts_the_output(self):
        self.write("chip.dat", re.sub(r"\A\s*1000", "2", self.read("chip.dat")))
        with open(os.path.join(ARGS.examples, "chip.flp"), encoding="utf-8") as f:
            self.run_tool(f.read(), ["--density", "1e9", "-o", "gen.in"])
        run = subprocess.run([ARGS.calefax, "chip.dat", "gen.in"], cwd=self.dir, timeout=120,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.assertEqual(0, run.returncode, run.stderr)

    # Each refusal: exit 1, one error line, nothing on standard output, no file written and an
    # earlier output file left as it was.
    def test_refusals(self):
        good = flp_line("ok", 1e-3, 1e-3, 0.0, 0.0)
        self.write("d.dat", self.read("chip.dat").replace("40 40 10", "40 40 1.5"))
        for flp, data, what in [
                (flp_line("tiny", 0.1e-3, 1e-3, 1e-3, 1e-3), "chip.dat",
                 r"f.flp:1: unit 'tiny' \(0.1 mm wide\) snaps to zero width"),
                (flp_line("big", 2e-3, 1e-3, 9e-3, 1e-3), "chip.dat",
                 r"f.flp:1: unit 'big' lies outside the die"),
                (good + "\n# gap\n" + flp_line("late", 1e-3, 1e-3, 0.7e-3, 0.5e-3), "chip.dat",
                 r"f.flp:4: unit 'late' overlaps unit 'ok' \(line 1\)"),
                (good + "broken 1e-3 1e-3 0\n", "chip.dat", r"f.flp:2: expected the 5 fields"),
                (good, "d.dat", r"d.dat:2: item 4 \(intervals along z\): expected an integer")]:
            self.write("old.in", "earlier\n")
            r = self.run_tool(flp, ["-o", "old.in"], 1, data)
            self.assertRegex(r.stderr, r"\Acalefax-floorplan: error: %s.*\n\Z" % what)
            self.assertEqual(("", "earlier\n"), (r.stdout, self.read("old.in")))
            self.assertEqual(["chip.dat", "d.dat", "f.flp", "old.in"], sorted(os.listdir(self.dir)))


if __name__ == "__main__":
    if sys.version_info < MIN_PYTHON:
        print("test_floorplan: skipped: needs Python %d.%d or later, this is %d.%d"
              % (MIN_PYTHON + tuple(sys.version_info[:2])))
        sys.exit(77)
    parser = argparse.ArgumentParser(add_help=False)
    for name in ("--tool", "--calefax", "--examples"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    ARGS, rest = parser.parse_known_args()  # read by the tests; ctest passes all three
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
