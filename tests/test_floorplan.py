# tests/test_floorplan.py: tools/calefax-floorplan: snapping, area report, refusals, and the written
# input file accepted by the simulator (standard library only)

import argparse
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

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


def xy(block):
    return block[0:2] + block[3:5]


class FloorplanTool(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory(prefix="calefax-floorplan-")
        self.addCleanup(tmp.cleanup)
        self.dir = pathlib.Path(tmp.name)
        self.chip = pathlib.Path(ARGS.examples, "chip.dat").read_text()
        (self.dir / "chip.dat").write_text(self.chip)

    def run_tool(self, flp, extra=(), status=0, data="chip.dat"):
        """Writes f.flp, converts it (z 7..8, layer active) and checks the exit status."""
        (self.dir / "f.flp").write_text(flp)
        r = subprocess.run([sys.executable, ARGS.tool, data, "f.flp", "--z", "7", "8", "--layer",
                            "active"] + list(extra), cwd=str(self.dir), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, universal_newlines=True, timeout=120)
        self.assertEqual(status, r.returncode, r.stderr)
        return r

    # 0.55 mm units on the 0.25 mm grid: corners to the nearest nodes, the worst area error named;
    # --offset moves every unit before snapping, by whole cells and by 0.4 cell.
    def test_snapping_offset_and_area_report(self):
        r = self.run_tool(UNITS)
        blocks = corners(r.stdout)
        self.assertEqual(["u%d%d" % (c, w) for c in range(3) for w in range(3)], sorted(blocks))
        for c, (_, i0, i1) in enumerate(ROWS):
            for w, (_, j0, j1) in enumerate(ROWS):
                self.assertEqual((i0, j0, 7, i1, j1, 8, "ACTIVE", 0.0), blocks["u%d%d" % (c, w)])
        self.assertRegex(r.stderr, "\n  u12 +2..4 +4..7 +0.3025 +0.375 +\\+23.97%\n")
        self.assertTrue(r.stderr.endswith("calefax-floorplan: worst area error: u22 +85.95% "
                                          "(0.5625 mm^2 snapped against 0.3025 mm^2)\n"))
        for offset, u11, u00 in [(("1e-3", "0.002"), (6, 10, 8, 12), (4, 8, 6, 10)),
                                 (("0.0001", "0"), (3, 2, 5, 4), (0, 0, 3, 2))]:
            blocks = corners(self.run_tool(UNITS, ["--offset"] + list(offset)).stdout)
            self.assertEqual([u11, u00], [xy(blocks["u11"]), xy(blocks["u00"])])

    # An edge halfway between nodes goes to the higher node; units overlapping by less than the
    # snapping (0.05 mm) are accepted and meet on one node line; --density and -o.
    def test_ties_small_overlap_density_and_output_file(self):
        flp = (flp_line("tie", 0.25e-3, 0.5e-3, 0.125e-3, 0.375e-3) +
               flp_line("a", 1e-3, 1e-3, 2e-3, 2e-3) + flp_line("b", 1e-3, 1e-3, 2.95e-3, 2e-3))
        self.assertEqual("", self.run_tool(flp, ["--density", "2.5e9", "-o", "out.in"]).stdout)
        blocks = corners((self.dir / "out.in").read_text())
        self.assertEqual((1, 2, 7, 2, 4, 8, "ACTIVE", 2.5e9), blocks["tie"])
        self.assertEqual([(8, 8, 12, 12), (12, 8, 16, 12)], [xy(blocks["a"]), xy(blocks["b"])])

    # The file written for the example floorplan runs in the simulator (one time step).
    def test_simulator_accepts_the_output(self):
        (self.dir / "chip.dat").write_text(re.sub(r"\A\s*1000", "2", self.chip))
        self.run_tool(pathlib.Path(ARGS.examples, "chip.flp").read_text(),
                      ["--density", "1e9", "-o", "gen.in"])
        run = subprocess.run([ARGS.calefax, "chip.dat", "gen.in"], cwd=str(self.dir), timeout=120,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.assertEqual(0, run.returncode, run.stderr)

    # Each refusal: exit 1, one error line, nothing on standard output, no file written and an
    # earlier output file left as it was.
    def test_refusals(self):
        good = flp_line("ok", 1e-3, 1e-3, 0.0, 0.0)
        (self.dir / "d.dat").write_text(self.chip.replace("40 40 10", "40 40 1.5"))
        for flp, data, what in [
                (flp_line("tiny", 0.1e-3, 1e-3, 1e-3, 1e-3), "chip.dat",
                 r"f.flp:1: unit 'tiny' \(0.1 mm wide\) snaps to zero width"),
                (flp_line("big", 2e-3, 1e-3, 9e-3, 1e-3), "chip.dat",
                 r"f.flp:1: unit 'big' lies outside the die"),
                (good + "\n# gap\n" + flp_line("late", 1e-3, 1e-3, 0.7e-3, 0.5e-3), "chip.dat",
                 r"f.flp:4: unit 'late' overlaps unit 'ok' \(line 1\)"),
                (good + "broken 1e-3 1e-3 0\n", "chip.dat", r"f.flp:2: expected the 5 fields"),
                (good, "d.dat", r"d.dat:2: item 4 \(intervals along z\): expected an integer")]:
            (self.dir / "old.in").write_text("earlier\n")
            r = self.run_tool(flp, ["-o", "old.in"], 1, data)
            self.assertRegex(r.stderr, r"\Acalefax-floorplan: error: %s.*\n\Z" % what)
            self.assertEqual(("", "earlier\n"), (r.stdout, (self.dir / "old.in").read_text()))
            self.assertEqual(["chip.dat", "d.dat", "f.flp", "old.in"], sorted(os.listdir(self.dir)))


if __name__ == "__main__":
    if sys.version_info < (3, 6):
        sys.exit(77)  # ctest reports it skipped
    parser = argparse.ArgumentParser(add_help=False)
    for name in ("--tool", "--calefax", "--examples"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    ARGS, rest = parser.parse_known_args()  # read by the tests; ctest passes all three
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
