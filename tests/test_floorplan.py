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


def flp_line(name, w, h, x, y):
    return "%s\t%r\t%r\t%r\t%r\n" % (name, w, h, x, y)


def grid_of_units():
    """3 x 3 units of 0.55 mm, u<column><row>, with a '#' comment and a blank line."""
    text = "# 0.55 mm units on a 0.25 mm grid\n\n"
    for c, (x, _, _) in enumerate(ROWS):
        for r, (y, _, _) in enumerate(ROWS):
            text += flp_line("u%d%d" % (c, r), 0.55e-3, 0.55e-3, x, y).rstrip("\n")
            text += "\t1.75e6\t0.01  # further fields ignored\n"
    return text


def records(text):
    """{name: (x1, y1, z1, x2, y2, z2, layer, density)} of the block records of an input file."""
    out = {}
    for line in text.splitlines():
        if line.startswith("*"):
            continue
        f = line.split()
        out[f[0]] = tuple(int(v) for v in f[1:7]) + (f[7], float(f[8]))
    return out


class FloorplanTool(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory(prefix="calefax-floorplan-")
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name
        with open(os.path.join(ARGS.examples, "chip.dat"), encoding="utf-8") as f:
            self.data = f.read()
        self.write("chip.dat", self.data)

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def read(self, name):
        with open(os.path.join(self.dir, name), encoding="utf-8") as f:
            return f.read()

    def run_tool(self, args, flp=None):
        """Runs the tool in the scratch folder on args, after writing f.flp when flp is given."""
        if flp is not None:
            self.write("f.flp", flp)
        return subprocess.run([sys.executable, ARGS.tool] + args, cwd=self.dir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              universal_newlines=True, timeout=120)

    def convert(self, flp, extra=()):
        r = self.run_tool(["chip.dat", "f.flp", "--z", "7", "8", "--layer", "active"] +
                          list(extra), flp)
        self.assertEqual(0, r.returncode, r.stderr)
        return r

    # 0.55 mm units on the 0.25 mm grid: corners to the nearest nodes, the area of each against
    # its true 0.3025 mm^2, the worst error named; the layer as spelt in the table.
    def test_snapping_and_area_report(self):
        r = self.convert(grid_of_units())
        blocks = records(r.stdout)
        self.assertEqual(9, len(blocks))
        for c, (_, i0, i1) in enumerate(ROWS):
            for w, (_, j0, j1) in enumerate(ROWS):
                self.assertEqual((i0, j0, 7, i1, j1, 8, "ACTIVE", 0.0), blocks["u%d%d" % (c, w)])
        for name, nodes, snapped, error in [("u00", "0..2 +0..2", "0.25", "-17.36%"),
                                            ("u12", "2..4 +4..7", "0.375", "+23.97%"),
                                            ("u22", "4..7 +4..7", "0.5625", "+85.95%")]:
            self.assertRegex(r.stderr, "\n  %s +%s +0.3025 +%s +\\%s\n"
                             % (name, nodes, snapped, error))
        self.assertTrue(r.stderr.endswith(
            "calefax-floorplan: worst area error: u22 +85.95% "
            "(0.5625 mm^2 snapped against 0.3025 mm^2)\n"), r.stderr)
        self.assertIn("* Written by calefax-floorplan from the floorplan f.flp", r.stdout)

    # An edge halfway between nodes goes to the higher node; units that overlap by less than
    # the snapping (0.05 mm here) are accepted and meet on one node line; --density and -o.
    def test_ties_small_overlap_density_and_output_file(self):
        flp = (flp_line("tie", 0.25e-3, 0.5e-3, 0.125e-3, 0.375e-3) +
               flp_line("a", 1.0e-3, 1.0e-3, 2.0e-3, 2.0e-3) +
               flp_line("b", 1.0e-3, 1.0e-3, 2.95e-3, 2.0e-3))
        r = self.convert(flp, ["--density", "2.5e9", "-o", "out.in"])
        self.assertEqual("", r.stdout)
        self.assertIn("calefax-floorplan: wrote out.in: 3 blocks", r.stderr)
        blocks = records(self.read("out.in"))
        self.assertEqual((1, 2, 7, 2, 4, 8, "ACTIVE", 2.5e9), blocks["tie"])
        self.assertEqual((8, 8, 12, 12), blocks["a"][0:2] + blocks["a"][3:5])
        self.assertEqual((12, 8, 16, 12), blocks["b"][0:2] + blocks["b"][3:5])

    # --offset moves every unit in the die before snapping: by whole cells, and by 0.4 cell.
    def test_offset(self):
        # u11 spans 0.55..1.1 mm on both axes, u00 0..0.55 mm.
        for offset, u11, u00 in [(("1e-3", "0.002"), (6, 10, 8, 12), (4, 8, 6, 10)),
                                 (("0.0001", "0"), (3, 2, 5, 4), (0, 0, 3, 2))]:
            blocks = records(self.convert(grid_of_units(), ["--offset"] + list(offset)).stdout)
            for name, nodes in (("u11", u11), ("u00", u00)):
                self.assertEqual(nodes, blocks[name][0:2] + blocks[name][3:5], offset)

    # The file written for the example floorplan runs, together with long names (past the 200
    # characters of a skipped comment line) in the header and in a record.
    def test_simulator_accepts_the_output(self):
        self.write("chip.dat", re.sub(r"\A\s*1000", "2", self.data))
        deep = os.path.join(self.dir, *["folder-with-a-rather-long-name-%d" % i for i in range(6)])
        os.makedirs(deep)
        long_flp = os.path.join(deep, "f.flp")
        long_name = "unit_" + "x" * 300
        with open(long_flp, "w", encoding="utf-8") as f:
            f.write(flp_line(long_name, 1e-3, 1e-3, 1e-3, 1e-3))
        for flp, layer in [(os.path.join(ARGS.examples, "chip.flp"), "ACTIVE"),
                           (long_flp, "m1")]:
            r = self.run_tool(["chip.dat", flp, "--z", "7", "8", "--layer", layer,
                               "--density", "1e9", "-o", "gen.in"])
            self.assertEqual(0, r.returncode, r.stderr)
            text = self.read("gen.in")
            self.assertTrue(all(len(line) <= 200 for line in text.splitlines()
                                if line.startswith("*")))
            run = subprocess.run([ARGS.calefax, "chip.dat", "gen.in"], cwd=self.dir,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                 universal_newlines=True, timeout=120)
            self.assertEqual(0, run.returncode, run.stderr)
        self.assertIn("\n" + long_name + " ", text)
        self.assertIn(long_flp, "".join(line[2:] for line in text.splitlines()
                                        if line.startswith("*")))

    # Each refusal: exit 1, one line naming file, line and unit, nothing on standard output and
    # an earlier output file left as it was.
    def test_refusals(self):
        good = flp_line("ok", 1e-3, 1e-3, 0.0, 0.0)
        dat = self.data
        for flp, extra, what in [
                (flp_line("tiny", 0.1e-3, 1e-3, 1e-3, 1e-3), [],
                 r"f.flp:1: unit 'tiny' \(0.1 mm wide\) snaps to zero width on the 0.25 mm grid "
                 r"along x \(both edges to node 4\); it needs a spacing of at most 0.1 mm along "
                 r"x \(nx >= 100 for this 10 mm die\)"),
                (good + flp_line("flat", 1e-3, 0.2e-3, 3e-3, 3.13e-3), [],
                 r"f.flp:2: unit 'flat' \(0.2 mm high\) snaps to zero height .* \(ny >= 50 "),
                (flp_line("big", 2e-3, 1e-3, 9e-3, 1e-3), [],
                 r"f.flp:1: unit 'big' lies outside the die: its right edge at x = 11 mm "
                 r"snaps to node 44, outside the grid \(nodes 0..40, x = 0..10 mm\)"),
                (good, ["--offset", "0", "-0.0002"],
                 r"f.flp:1: unit 'ok' lies outside the die: its bottom edge at y = -0.2 mm "
                 r"snaps to node -1"),
                (good + "\n# gap\n" + flp_line("late", 1e-3, 1e-3, 0.7e-3, 0.5e-3), [],
                 r"f.flp:4: unit 'late' overlaps unit 'ok' \(line 1\) by 0.3 mm x 0.5 mm, "
                 r"more than the snapping absorbs: their blocks would share 1 x 2 cells"),
                (good + "broken 1e-3 1e-3 0\n", [],
                 r"f.flp:2: expected the 5 fields 'name width height left-x bottom-y', found 4"),
                ("cpu 1e-3 1mm 0 0\n", [], r"f.flp:1: unit 'cpu': height '1mm' is not a finite"),
                ("cpu -1e-3 1e-3 0 0\n", [], r"f.flp:1: unit 'cpu': width -1e-3 must be positive"),
                ("*cpu 1e-3 1e-3 0 0\n", [], r"f.flp:1: unit name '\*cpu' starts with '\*'"),
                ("c\u00a0pu 1e-3 1e-3 0 0\n", [],
                 r"f.flp:1: unit name 'c\\xa0pu' holds U\+00A0, a white-space"),
                (good + good, [], r"f.flp:2: unit 'ok' is already defined on line 1"),
                ("# nothing\n", [], r"f.flp: no units"),
                (good, ["--layer", "GOLD"], r"--layer GOLD: not a layer of chip.dat \(its "
                                            r"layers: SI POLY ACTIVE"),
                (good, ["--z", "7", "11"], r"--z 7 11: node index 11 outside the grid of "
                                           r"chip.dat \(0..10\)"),
                (good, ["--z", "8", "8"], r"--z 8 8: the blocks need two different"),
                (good, ["--density", "hot"], r"--density: 'hot' is not a finite number"),
                (good, ["--offset", "1", "x"], r"--offset: 'x' is not a finite number"),
                (good, ["--data", "d.dat"], r"d.dat:2: item 4 \(intervals along z\): expected "
                                            r"an integer"),
                (good, ["--data", "e.dat"], r"e.dat:3: item 4 \(intervals along z\): the file "
                                            r"ends here"),
                (good, ["--data", "none.dat"], r"none.dat: no such file")]:
            self.write("d.dat", dat.replace("40 40 10", "40 40 1.5"))
            self.write("e.dat", "1000\n40 40\n")
            self.write("old.in", "earlier\n")
            args = ["chip.dat", "f.flp", "--z", "7", "8", "--layer", "ACTIVE"]
            if extra[:1] == ["--data"]:
                args[0] = extra[1]
                extra = []
            r = self.run_tool(args + extra + ["-o", "old.in"], flp)
            self.assertEqual(1, r.returncode, r.stderr)
            self.assertRegex(r.stderr, r"\Acalefax-floorplan: error: %s.*\n\Z" % what)
            self.assertEqual("", r.stdout)
            self.assertEqual("earlier\n", self.read("old.in"))
            self.assertEqual(sorted(os.listdir(self.dir)),
                             ["chip.dat", "d.dat", "e.dat", "f.flp", "old.in"])
        r = self.run_tool(["chip.dat", "f.flp", "--z", "7", "8", "--layer", "SI", "-o", "f.flp"],
                          good)
        self.assertEqual((1, good), (r.returncode, self.read("f.flp")))
        self.assertIn("f.flp: not written: it is the input file f.flp", r.stderr)


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
