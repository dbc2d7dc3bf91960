# tools/validation_common.py: what the validation checks of tools/validate share: the settings of
# the three checks, the writers of the input files, the Runner of the programs, the readers of
# their result files.

import os
import shlex
import shutil
import subprocess
import sys
from decimal import Decimal

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
PROG = "validate"
PLOT = os.path.join(ROOT, "tools", "calefax-plot")
PAGE = os.path.join(ROOT, "docs", "validation.md")
PICTURES = os.path.join(ROOT, "docs", "validation")
UNIT = "°C"

# The built-in model of the Crank-Nicolson solver: ten layers (name, k, rho, cp), base SI,
# spacing 1e-6 m on every axis, h = 30000 on every face, every node starting at 35.0.
LAYERS = [
    ("SI", 131.0, 2329.0, 700.0),
    ("POLY", 25.06, 7544.0, 2326.0),
    ("M5", 150.0, 2400.0, 800.0),
    ("M4", 150.0, 2400.0, 800.0),
    ("M3", 150.0, 2400.0, 800.0),
    ("Al", 23.6, 2699.0, 901.3),
    ("Al", 17.6, 2699.0, 901.3),
    ("Cu_Bulk", 397.0, 8954.5, 383.6),
    ("Cu_300", 315.82, 8954.5, 383.6),
    ("ACTIVE", 150.0, 2400.0, 800.0),
]
BASE = "SI"
K_BASE = 131.0
FACE_NAMES = ("x-max", "x-min", "y-max", "y-min", "z-max", "z-min")  # order of h in the data file

# (a) ADI against Crank-Nicolson on the built-in model: same blocks, dt halved four times.
ADI_CN = {
    "grid": (12, 12, 8),
    "spacing": (1e-6, 1e-6, 1e-6),
    "T_amb": 35.0,
    "h": (30000.0,) * 6,
    "probe": (4, 4, 4),
    "blocks": [("hot", (2, 2, 2), (5, 5, 5), "ACTIVE", 2.4e15),
               ("copper", (7, 7, 3), (10, 10, 5), "Cu_Bulk", 6e14)],
    "dt0": 2e-8,                # halved exactly (binary) each time
    "steps0": 20,               # doubled each time: end time 4e-7 s
    "runs": 5,
    "method": 1,                # minimum degree + Cholesky: a direct solve of every step
}

# (b) steady one-dimensional slab: h only on the z faces, one SI block over the whole grid.
SLAB = {
    "grid": (4, 3, 20),
    "spacing": (60e-6, 40e-6, 25e-6),
    "T_amb": 35.0,
    "h": (0.0, 0.0, 0.0, 0.0, 5e5, 5e5),
    "q": 4e10,
    "dt": 5e-5,
    "steps": 1000,
    "probe": (2, 1, 10),
    "cut": ("x", 2, "slab_x2.txt"),
    "column": 1,                # y index of the column read from the x plane
}

# (c) energy balance of a 3D chip at steady state: six different h, blocks that touch each other
# and the faces.
CHIP = {
    "grid": (32, 32, 10),
    "spacing": (25e-6, 25e-6, 20e-6),
    "T_amb": 35.0,
    "h": (1e4, 2e4, 3e4, 4e4, 5e4, 2e5),
    "blocks": [("core0", (3, 3, 6), (12, 12, 8), "ACTIVE", 4e11),
               ("core1", (12, 3, 6), (21, 12, 8), "M5", 2.5e11),
               ("cache", (3, 12, 6), (24, 29, 8), "ACTIVE", 5e10),
               ("io", (24, 3, 5), (32, 29, 8), "POLY", 1e11),
               ("via", (14, 14, 0), (17, 17, 4), "Cu_Bulk", 0.0)],
    "dt": 2e-5,
    "steps": (750, 1500, 3000),  # the last run gives the figures; the others show convergence
    "probe": (8, 8, 7),
}

# Limits of the verdicts printed on the page and reflected in the exit status.
RATIO_RANGE = (3.0, 5.0)        # (a) last ratio of the max differences as dt halves
BALANCE_LIMIT = 1e-5            # (c) |heat out - power in| / power in of the longest run


class Failure(Exception):
    """A program or file that stopped the validation; str() is the message."""


def fail(message):
    """Prints one error line on standard error and ends the program with status 1."""
    sys.stderr.write("%s: error: %s\n" % (PROG, message))
    sys.exit(1)


def num(x):
    """A float as the shortest %g text that reads back to the same double."""
    x = float(x)
    for digits in range(6, 18):
        text = "%.*g" % (digits, x)
        if float(text) == x:
            return text
    return repr(x)


def sci(x, digits=3):
    """A float for the page, in %g style with the given significant digits."""
    return "%.*g" % (digits, x)


# ---- input files ----------------------------------------------------------------------------

def data_file(steps, grid, spacing, dt, t_amb, h, probe, cuts):
    """Text of a data file: items in the reader's order, one group per line."""
    lines = [str(steps), "%d %d %d" % grid, " ".join(num(d) for d in spacing), num(dt),
             num(t_amb), " ".join(num(v) for v in h)]
    lines += ["%-8s %s %s %s" % (n, num(k), num(r), num(c)) for n, k, r, c in LAYERS]
    lines += [BASE, "%d %d %d" % probe, str(len(cuts))]
    lines += ["%s %d %s" % c for c in cuts]
    return "\n".join(lines) + "\n"


def blocks_file(blocks, comment):
    """Text of a block file: comment lines, then one record per block, no trailing blanks."""
    lines = ["* " + c for c in comment]
    lines.append("* name      x1 y1 z1   x2 y2 z2   layer    power density (W/m^3)")
    for name, a, b, layer, q in blocks:
        fields = (name,) + a + b + (layer, num(q))
        lines.append("%-9s %3d %2d %2d  %3d %2d %2d   %-8s %s" % fields)
    return "\n".join(lines) + "\n"


# ---- running the programs -------------------------------------------------------------------

class Runner:
    """Runs the programs in scratch folders and remembers each command as shown on the page."""

    def __init__(self, build):
        self.build = build
        self.work = os.path.join(build, "validation")
        self.calefax = os.path.join(build, "Calefax")
        self.cn = os.path.join(build, "calefax-cn")
        self.draw = True    # False: plots are not drawn, only shown on the page (--check)

    def folder(self, name, files):
        """A fresh scratch folder BUILD/validation/NAME holding the given {name: text} files."""
        path = os.path.join(self.work, name)
        if os.path.isdir(path):
            shutil.rmtree(path)
        os.makedirs(path)
        for fname, text in files.items():
            with open(os.path.join(path, fname), "w", encoding="utf-8") as f:
                f.write(text)
        return path

    def run(self, cwd, program, args, log):
        """Runs program with args in cwd, standard output into the file log; returns the command
        line as typed in cwd. A non-zero exit status raises Failure with its standard error."""
        shown = self.shown(cwd, program, args)
        with open(os.path.join(cwd, log), "w", encoding="utf-8") as out:
            p = subprocess.run([program] + [str(a) for a in args], cwd=cwd, stdout=out,
                               stderr=subprocess.PIPE, text=True)
        if p.returncode != 0:
            raise Failure("in %s: '%s' ended with status %d: %s"
                          % (os.path.relpath(cwd, ROOT), " ".join(map(shlex.quote, shown)),
                             p.returncode, p.stderr.strip() or "(no message)"))
        text = " ".join(shlex.quote(s) for s in shown)
        return text + (" > %s" % log)

    @staticmethod
    def shown(cwd, program, args):
        """The command line of program with args as typed in cwd, as a list."""
        shown = [os.path.relpath(program, cwd)] + [str(a) for a in args]
        if not shown[0].startswith((".", "/")):
            shown[0] = "./" + shown[0]
        return shown

    def plot(self, cwd, args, png):
        """Runs calefax-plot in cwd writing docs/validation/PNG (unless draw is off); returns the
        command as typed."""
        out = os.path.join(PICTURES, png)
        args = list(args) + ["-o", os.path.relpath(out, cwd)]
        if not self.draw:
            return " ".join(shlex.quote(s) for s in self.shown(cwd, PLOT, args))
        cmd = self.run(cwd, PLOT, args, "plot.log")
        return cmd[:cmd.rindex(" > ")]

    def where(self, cwd):
        """The scratch folder relative to the repository root, for the page."""
        return os.path.relpath(cwd, ROOT)


# ---- result files ---------------------------------------------------------------------------

def read_lines(path):
    """The lines of a result file; Failure when it is missing."""
    try:
        with open(path, "r", encoding="utf-8") as f:
            return f.read().splitlines()
    except OSError as e:
        raise Failure("%s: cannot be read (%s)" % (os.path.relpath(path, ROOT), e.strerror))


def adi_history(path):
    """Printed probe values of Calefax_transient.txt, as Decimals (exact decimal text)."""
    lines = [s for s in read_lines(path)[1:] if s.strip()]
    return [Decimal(s.split()[1]) for s in lines]


def cn_history(path):
    """Printed values after the position line of a Crank-Nicolson report, as Decimals."""
    lines = read_lines(path)
    for n, s in enumerate(lines):
        if s.startswith("The temperature at position"):
            return [Decimal(v.strip()) for v in lines[n + 1:] if v.strip()]
    raise Failure("%s: no line 'The temperature at position'" % os.path.relpath(path, ROOT))


def read_plane(path, rows, cols):
    """A cut-plane file as rows of (text, float); Failure unless it is rows x cols values."""
    table = [[(t, float(t)) for t in s.split()] for s in read_lines(path) if s.strip()]
    if len(table) != rows or any(len(r) != cols for r in table):
        raise Failure("%s: expected %d lines of %d values" % (os.path.relpath(path, ROOT), rows,
                                                            cols))
    return table


def last_change(values):
    """Step number (from 1) of the last step whose printed value differs from the one before."""
    last = 1
    for s in range(1, len(values)):
        if values[s] != values[s - 1]:
            last = s + 1
    return last


def code(text, lang=""):
    """A fenced code block."""
    return "```%s\n%s\n```\n" % (lang, text.rstrip("\n"))


def block_volume(a, b, spacing):
    """Volume covered by a block spanning nodes a..b: (x2-x1)dx (y2-y1)dy (z2-z1)dz."""
    v = 1.0
    for axis in range(3):
        v *= abs(b[axis] - a[axis]) * spacing[axis]
    return v


def history_file(path, points, grid):
    """Writes (step, value) points in the layout of Calefax_transient.txt."""
    with open(path, "w", encoding="utf-8") as f:
        f.write("\\%dX%dX%d\n" % tuple(n + 1 for n in grid))
        for step, value in points:
            f.write("%d      %.9g\n" % (step, value))


def chip_faces(grid):
    """The six face planes: (name, axis, index, file, index of h, line count, values per line)."""
    nx, ny, nz = grid
    return [("x-min", "x", 0, "face_x0.txt", 1, nz + 1, ny + 1),
            ("x-max", "x", nx, "face_x%d.txt" % nx, 0, nz + 1, ny + 1),
            ("y-min", "y", 0, "face_y0.txt", 3, nz + 1, nx + 1),
            ("y-max", "y", ny, "face_y%d.txt" % ny, 2, nz + 1, nx + 1),
            ("z-min", "z", 0, "face_z0.txt", 5, ny + 1, nx + 1),
            ("z-max", "z", nz, "face_z%d.txt" % nz, 4, ny + 1, nx + 1)]


def heat_out(cwd, s):
    """Per face (name, h, area, mean rise, W) and the total convected out of a finished run."""
    dx, dy, dz = s["spacing"]
    nx, ny, nz = s["grid"]
    # spacing along the columns and along the lines of each kind of plane
    along = {"x": (dy, dz), "y": (dx, dz), "z": (dx, dy)}
    faces, total = [], 0.0
    for name, axis, _, fname, hi, lines, cols in chip_faces(s["grid"]):
        plane = read_plane(os.path.join(cwd, fname), lines, cols)
        dc, dl = along[axis]
        flux, area = 0.0, 0.0
        for b, row in enumerate(plane):
            wl = 0.5 if b in (0, lines - 1) else 1.0
            for a, (_, t) in enumerate(row):
                wc = 0.5 if a in (0, cols - 1) else 1.0
                share = (wc * dc) * (wl * dl)
                area += share
                flux += share * (t - s["T_amb"])
        watts = s["h"][hi] * flux
        faces.append((name, s["h"][hi], area, flux / area, watts))
        total += watts
    return faces, total
