# tests/test_plot.py: tools/calefax-plot: heat maps of each plane axis and a history of several
# result files as PNGs, and bad files, an unwritable output and a missing matplotlib refused
#
# Run by ctest as: python3 test_plot.py --tool TOOL [--calefax EXE --examples DIR]; with --calefax
# and --examples the shipped example chip is run once and its outputs are plotted too. The other
# files are small ones made in a temporary folder. Standard library only, besides the tool.

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
OPTS = argparse.Namespace(tool=os.path.join(HERE, "..", "tools", "calefax-plot"),
                          calefax=None, examples=None)


def run_tools(jobs, env=None):
    """Runs several (args, cwd) tool commands at once; returns their CompletedProcesses."""
    procs = [subprocess.Popen([sys.executable, OPTS.tool] + args, cwd=cwd, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
             for args, cwd in jobs]
    results = []
    for (args, _), p in zip(jobs, procs):
        out, err = p.communicate(timeout=120)
        results.append(subprocess.CompletedProcess(args, p.returncode, out, err))
    return results


def write(folder, name, text):
    """Writes text into folder/name; returns the path."""
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def plane_text(rows):
    """A cut-plane file as the run writes it: each value followed by a tab, one line per row."""
    return "".join("".join("%g\t" % v for v in row) + "\n" for row in rows)


def report_text(run, values):
    """A probe report as the Douglas-Gunn and Crank-Nicolson runs write it."""
    head = ("The mesh size is:  5X4X3\n\n\nRun time of %s is...  0.01 seconds\n"
            "The temperature at position (2, 1, 1):\n" % run)
    return head + "".join("%g\n" % v for v in values)


class PlotTool(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        # Every drawing command starts at once here (each spends most of its time importing
        # matplotlib); the tests below inspect their results.
        cls.dir = tempfile.mkdtemp(prefix="calefax-plot-")
        cls.example = None
        if OPTS.calefax and OPTS.examples:
            cls.example = os.path.join(cls.dir, "example")
            os.mkdir(cls.example)
            for name in ("chip.dat", "chip.in"):
                shutil.copy(os.path.join(OPTS.examples, name), cls.example)
            r = subprocess.run([OPTS.calefax, "chip.dat", "chip.in"], cwd=cls.example,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                               timeout=120)
            if r.returncode != 0:
                raise RuntimeError("example run failed: " + r.stderr)
        jobs = {}
        # the example's planes, each with the axis its data file gives it
        cls.cuts = [("active_z8.txt", "z", "41 x 41"), ("cut_x8.txt", "x", "41 x 11"),
                    ("cut_y8.txt", "y", "41 x 11")]
        for f, a, _ in cls.cuts if cls.example else []:
            jobs[f] = (["map", os.path.join(cls.example, f), "--axis", a, "--unit", "°C",
                        "-o", os.path.join(cls.example, f + ".png")], cls.dir)
        # an uneven plane, 4 nodes across and 3 up, its hottest node at column 3 of line 2
        write(cls.dir, "plane_y.txt", plane_text([[1, 2, 3, 4], [5, 6, 7, 9.5], [8, 8, 8, 8]]))
        jobs["uneven"] = (["map", "plane_y.txt", "--axis", "y", "--unit", "°C"], cls.dir)
        # the run's result file and two reports
        transient = (os.path.join(cls.example, "Calefax_transient.txt") if cls.example else
                     write(cls.dir, "Calefax_transient.txt",
                           "\\5X4X3\n1      35.5\n2      36.1\n3      36.4\n"))
        histories = [transient,
                     write(cls.dir, "Douglas_Gunn.txt", report_text("Douglas_Gunn", [40, 50, 65])),
                     write(cls.dir, "Crank_Nicolson.txt", report_text("Crank_Nicolson", [41, 59]))]
        jobs["history"] = (["history"] + histories + ["-o", "history.png"], cls.dir)
        cls.results = dict(zip(jobs, run_tools(list(jobs.values()))))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def assertDrawn(self, job, text, png):
        """The job ended with status 0 saying text, and png holds a PNG of non-zero size."""
        r = self.results[job]
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertIn(text, r.stdout)
        with open(png, "rb") as f:
            head = f.read(24)
        self.assertEqual(b"\x89PNG\r\n\x1a\n", head[:8], png)
        self.assertGreater(min(struct.unpack(">II", head[16:24])), 0, png)

    def assertRefused(self, r, name, out_png):
        """Status 1, one "calefax-plot: error: " line naming the file, no traceback, no PNG."""
        self.assertEqual(1, r.returncode, r.stdout + r.stderr)
        self.assertNotIn("Traceback", r.stderr)
        self.assertTrue(r.stderr.startswith("calefax-plot: error: "), r.stderr)
        self.assertEqual(1, r.stderr.count("\n"), r.stderr)
        self.assertIn(name, r.stderr)
        self.assertFalse(os.path.exists(out_png), out_png)

    # The example's three planes, one per axis, become PNGs of their sizes (41 x 41 nodes
    # across x and y, 11 along z).
    def test_example_planes_of_each_axis(self):
        if not self.example:
            self.skipTest("no --calefax/--examples: the example is not run")
        for f, a, size in self.cuts:
            self.assertDrawn(f, "%s plane of %s nodes" % (a, size),
                             os.path.join(self.example, f + ".png"))

    # Line r of a plane file is row r from the bottom and value c its column: the hottest node
    # of an uneven plane is reported at (column, line), with the indices of the plane's axes;
    # the default output is CUTFILE.png.
    def test_map_reads_lines_as_rows_from_the_bottom(self):
        self.assertDrawn("uneven", "y plane of 4 x 3 nodes, hottest 9.5 °C at (i, k) = (3, 1)",
                         os.path.join(self.dir, "plane_y.png"))

    # The run's result file and two reports go on one plot.
    def test_history_of_several_files(self):
        self.assertDrawn("history", "3 files", os.path.join(self.dir, "history.png"))

    # Empty, ragged, non-numeric, missing and wrong-kind files, one bad file among good ones and
    # an output in a folder that does not exist are each refused by name before anything is
    # written.
    def test_bad_files_are_refused(self):
        def bad(name, text):
            write(self.dir, name, text)
            return name
        good = write(self.dir, "good.txt", "\\2X2X2\n1      35\n2      36\n")
        cases = [
            (["map", bad("empty.txt", "")], "empty.txt: no temperature values"),
            (["map", bad("ragged.txt", "1\t2\t3\t\n4\t5\t\n")], "ragged.txt:2:"),
            (["map", bad("word.txt", "1\t2\t\n3\thot\t\n")], "word.txt:2: 'hot' is not a number"),
            (["map", "missing.txt"], "missing.txt: no such file"),
            (["history", bad("plane.txt", "1\t2\t\n3\t4\t\n")], "plane.txt: not a probe history"),
            (["history", good, bad("bad.txt", "\\2X2X2\n1      35\n2\n")], "bad.txt:3:"),
        ]
        outs = [os.path.join(self.dir, "refused%d.png" % n) for n in range(len(cases))]
        nowhere = os.path.join(self.dir, "no-such-folder", "small.png")
        cases.append((["map", write(self.dir, "small.txt", plane_text([[1, 2], [3, 4]]))], nowhere))
        outs.append(nowhere)
        jobs = [(args + ["-o", out], self.dir) for (args, _), out in zip(cases, outs)]
        for (args, what), out, r in zip(cases, outs, run_tools(jobs)):
            with self.subTest(args=args):
                self.assertRefused(r, what, out)

    # Without matplotlib the tool says how to install it, with status 1 and no traceback.
    def test_missing_matplotlib(self):
        fake = os.path.join(self.dir, "fake-site", "matplotlib")
        os.makedirs(fake, exist_ok=True)
        write(fake, "__init__.py", "raise ImportError('No module named matplotlib')\n")
        f = write(self.dir, "tiny.txt", plane_text([[1, 2], [3, 4]]))
        env = dict(os.environ, PYTHONPATH=os.path.dirname(fake))
        r = run_tools([(["map", f, "-o", "tiny.png"], self.dir)], env)[0]
        self.assertEqual(1, r.returncode)
        self.assertNotIn("Traceback", r.stderr)
        self.assertIn("apt-get install python3-matplotlib", r.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "tiny.png")))

    # The tool runs as a command by its own first line (executable bit and interpreter line).
    def test_runs_as_a_command(self):
        r = subprocess.run([OPTS.tool, "map", "--help"], capture_output=True, text=True,
                           timeout=60)
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertIn("--axis", r.stdout)


if __name__ == "__main__":
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--tool", default=OPTS.tool)
    parser.add_argument("--calefax")
    parser.add_argument("--examples")
    known, rest = parser.parse_known_args()
    # the tool's marker of its own interpreter switch must not leak in from a caller
    os.environ.pop("CALEFAX_PLOT_SYSTEM_PYTHON", None)
    # absolute, as the example runs in a folder of its own
    OPTS.tool, OPTS.calefax, OPTS.examples = (
        os.path.abspath(p) if p else None for p in (known.tool, known.calefax, known.examples))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
