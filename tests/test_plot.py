# tests/test_plot.py: tools/calefax-plot: heat maps and histories drawn, bad input refused

import argparse
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest


class PlotTool(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory(prefix="calefax-plot-")
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name

    def run_tool(self, args, files):
        """Writes files {name: text} into the scratch folder, runs the tool there on args."""
        for name, text in files.items():
            pathlib.Path(self.dir, name).write_text(text, encoding="utf-8")
        env = dict(os.environ, PYTHONPATH=self.dir, CALEFAX_PLOT_SYSTEM_PYTHON="")  # not re-run yet
        return subprocess.run([sys.executable, ARGS.tool] + args, cwd=self.dir, env=env,
                              capture_output=True, text=True, timeout=120)

    # Maps name the hottest node at (column, line from the bottom); histories take both layouts.
    def test_map_history_and_units(self):
        files = {"y.txt": "1\t2\t3\t9.5\t\n5\t6\t7\t8\t\n8\t8\t8\t8\t\n",
                 "t.txt": "\\5X4X3\n1      35.5\n2      36.1\n3      36.4\n",
                 "r.txt": "The mesh size is:  5X4X3\n\n\nRun time of Crank_Nicolson is...  "
                          "0.01 seconds\nThe temperature at position (2, 1, 1):\n41\n59\n",
                 "u.csv": "time_s,a.max,a.mean,b.max,b.mean\n0,25,25,nan,nan\n"
                          "0.001,31,28,nan,nan\n0.002,30,29,nan,nan\n"}
        for args, png, text in [
                (["map", "y.txt", "--axis", "y", "--unit", "°C"], "y.png",
                 "y plane of 4 x 3 nodes, hottest 9.5 °C at (i, k) = (3, 0)"),
                (["history", "t.txt", "r.txt", "-o", "h.png"], "h.png", "2 files"),
                (["units", "u.csv"], "u.png", "2 units, 3 rows, hottest a 31 at 0.001 s")]:
            r = self.run_tool(args, files)
            self.assertEqual(0, r.returncode, r.stderr)
            self.assertIn(text, r.stdout)
            self.assertEqual(b"\x89PNG\r\n\x1a\n", pathlib.Path(self.dir, png).read_bytes()[:8])

    # Bad files, a bad output folder, then a missing matplotlib: one error line naming it, no PNG.
    def test_refusals(self):
        for args, text, what in [
                (["map", "f.txt"], "", "f.txt: no temperature values"),
                (["map", "f.txt"], "1\t2\t3\t\n4\t5\t\n", "f.txt:2:"),
                (["map", "f.txt"], "1\t2\t\n3\thot\t\n", "f.txt:2: 'hot' is not a number"),
                (["history", "p.txt"], "", "p.txt: not a probe history"),
                (["history", "h.txt", "f.txt"], "\\2X2X2\n1 3\n2\n", "f.txt:3:"),
                (["map", "p.txt", "-o", "no/x.png"], "", "no/x.png"),
                (["units", "f.txt"], "time_s,a.max\n0,1\n", "f.txt:1: not a units file"),
                (["units", "f.txt"], "time_s,a.max,a.mean\n0,1,1\n1,2\n", "f.txt:3: 2 values"),
                (["units", "f.txt"], "time_s,a.max,a.mean\n0,1,hot\n", "f.txt:2: 'hot' is not"),
                (["map", "p.txt"], "", "apt-get install python3-matplotlib")]:
            files = {"f.txt": text, "h.txt": "\\2X2X2\n1 3\n2 6\n", "p.txt": "1\t2\t\n3\t4\t\n"}
            if "apt" in what:  # a matplotlib that fails to import, found first
                files["matplotlib.py"] = "raise ImportError('No module named x')\n"
            r = self.run_tool(args, files)
            self.assertEqual(1, r.returncode, r.stderr)
            self.assertRegex(r.stderr, "^calefax-plot: error: .*%s.*\n\\Z" % what)
            self.assertFalse(any(f.endswith(".png") for f in os.listdir(self.dir)), args)


if __name__ == "__main__":
    if sys.version_info < (3, 7):     # the oldest Python the tool runs on
        sys.exit(77)                    # ctest reports it skipped
    parser = argparse.ArgumentParser(add_help=False)
    for name in ("--tool", "--calefax", "--examples"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    ARGS, rest = parser.parse_known_args()  # ctest passes all three; only --tool is used
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
