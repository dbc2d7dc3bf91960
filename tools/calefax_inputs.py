# tools/calefax_inputs.py: the readers of calefax-floorplan: the data file's grid and layer table
# as the simulator reads it, and .flp floorplans; every fault is raised as BadFile with the file
# and line.

import math
import os
import re
from fractions import Fraction

# The characters the simulator's readers take as white space (C++ stream extraction, C locale).
BLANKS = " \t\n\v\f\r"
TOKEN_RE = re.compile("[^%s]+" % re.escape(BLANKS))
FIELD_SPLIT_RE = re.compile("[%s]+" % re.escape(BLANKS))
# Numbers as the simulator reads them: integers, and reals with optional fraction and exponent
# (no "inf", "nan", hexadecimal or digit separators).
INT_RE = re.compile(r"[+-]?[0-9]+\Z")
REAL_RE = re.compile(r"[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?\Z")
INT_MAX = 2 ** 31 - 1

DATA_FILE_LAYERS = 10        # records of the layer table of every data file
DATA_FILE_MAX_NODES = 1 << 27
# Each comment line of the written file must be skipped whole by the simulator, which skips at
# most 200 characters of a comment line (model/blocks.h).
COMMENT_WIDTH = 200

FLP_FIELDS = "name width height left-x bottom-y"


class BadFile(Exception):
    """A file that cannot be used; str() is the whole message without the program prefix."""

    def __init__(self, path, what, line=None):
        where = path if line is None else "%s:%d" % (path, line)
        super().__init__("%s: %s" % (where, what))



def mm(length):
    """A length in metres (a Fraction or float) as text in millimetres."""
    return "%.6g mm" % (float(length) * 1e3)


def count(n, noun):
    """The count and its noun: "1 unit", "2 units"."""
    return "%d %s%s" % (n, noun, "" if n == 1 else "s")


def ascii_lower(text):
    """Lower case of the ASCII letters only, as strcasecmp compares in the C locale."""
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


# ---- readers --------------------------------------------------------------------------------

def read_text(path):
    """The whole text of a file; BadFile when it is missing, unreadable or not text."""
    try:
        with open(path, "r", encoding="utf-8", newline="") as f:
            return f.read()
    except FileNotFoundError:
        raise BadFile(path, "no such file")
    except IsADirectoryError:
        raise BadFile(path, "is a directory, not a file")
    except PermissionError:
        raise BadFile(path, "cannot be read (permission denied)")
    except UnicodeDecodeError:
        raise BadFile(path, "not a text file")
    except OSError as e:
        raise BadFile(path, "cannot be read (%s)" % (e.strerror or e))


def parse_real(text):
    """The exact value of a decimal number as a Fraction, or None unless it is a finite number
    within the range of a double (an exponent beyond it would only cost time and memory)."""
    m = REAL_RE.match(text)
    if not m or (m.group(2) and abs(int(m.group(2)[1:])) > 400):
        return None
    if not math.isfinite(float(text)):
        return None
    return Fraction(text)


class DataItems:
    """The items of a data file one at a time, with the line each starts on; a rejection is a
    BadFile "FILE:LINE: item N (what): why", worded as the simulator words it."""

    def __init__(self, path, text):
        self.path, self.text = path, text
        self.tokens = TOKEN_RE.finditer(text)
        self.item, self.line, self.counted = 0, 1, 0

    def next(self, what):
        self.item += 1
        m = next(self.tokens, None)
        end = len(self.text) if m is None else m.start()
        self.line += self.text.count("\n", self.counted, end)
        self.counted = end
        if m is None:
            self.reject(what, "the file ends here")
        return m.group()

    def reject(self, what, why):
        raise BadFile(self.path, "item %d (%s): %s" % (self.item, what, why), self.line)

    def integer(self, what):
        text = self.next(what)
        if not INT_RE.match(text) or abs(int(text)) > INT_MAX:
            self.reject(what, "expected an integer")
        return int(text)

    def real(self, what):
        v = parse_real(self.next(what))
        if v is None:
            self.reject(what, "expected a number")      # the simulator fails on an overflow too
        return v


def read_data_file(path):
    """{nx, ny, nz, dx, dy, layers} of a data file (model/datafile.h), reading up to the end of
    the layer table; every item read is checked as the simulator checks it. Items are whole
    white-space separated tokens: "40 40 1.5", which the simulator's stream would split into
    1 and .5 and read on shifted, is refused here at the item that is not an integer."""
    d = DataItems(path, read_text(path))
    if d.integer("number of time steps") < 0:
        d.reject("number of time steps", "must not be negative")
    counts = []
    for axis in "xyz":
        n = d.integer("intervals along " + axis)
        if n < 1:
            d.reject("intervals along " + axis, "must be at least 1")
        counts.append(n)
    nodes = [n + 1 for n in counts]
    if nodes[0] * nodes[1] * nodes[2] > DATA_FILE_MAX_NODES:
        d.reject("intervals along z", "the grid has %d x %d x %d nodes, more than %d"
                 % (nodes[0], nodes[1], nodes[2], DATA_FILE_MAX_NODES))
    spacings = []
    for axis in "xyz":
        s = d.real("spacing along " + axis)
        if s <= 0:
            d.reject("spacing along " + axis, "must be positive")
        spacings.append(s)
    if d.real("time step") <= 0:
        d.reject("time step", "must be positive")
    d.real("ambient temperature")
    for face in ("x-max", "x-min", "y-max", "y-min", "z-max", "z-min"):
        what = "convection coefficient of the %s face" % face
        if d.real(what) < 0:
            d.reject(what, "must not be negative")
    layers = []
    for l in range(DATA_FILE_LAYERS):
        name = d.next("name of layer %d" % l)
        for prop, positive in (("conductivity", False), ("density", True),
                               ("specific heat", True)):
            what = "%s of layer %s" % (prop, name)
            v = d.real(what)
            if positive and v <= 0:
                d.reject(what, "must be positive")
            if not positive and v < 0:
                d.reject(what, "must not be negative")
        layers.append(name)
    return {"nx": counts[0], "ny": counts[1], "nz": counts[2],
            "dx": spacings[0], "dy": spacings[1], "layers": layers}


def name_fault(name):
    """Why a unit name cannot be a block name of the input file, or None when it can."""
    if name.startswith("*"):
        return "starts with '*', which would make the record a comment line"
    for c in name:
        if c.isspace() or not c.isprintable():
            return "holds U+%04X, a white-space or control character; a block name must " \
                   "be one word of printable characters" % ord(c)
    return None


def read_floorplan(path):
    """The units of a .flp file in file order, each {name, w, h, x, y, line} in metres (exact
    fractions). One unit per line: name width height left-x bottom-y, separated by blanks or
    tabs; further fields are ignored; a field starting with '#' starts a comment that runs to
    the end of the line; blank and comment lines are ignored."""
    text = read_text(path)
    units, seen = [], {}
    for lineno, line in enumerate(text.split("\n"), start=1):
        fields = [f for f in FIELD_SPLIT_RE.split(line) if f]
        for i, f in enumerate(fields):
            if f.startswith("#"):
                del fields[i:]
                break
        if not fields:
            continue
        if len(fields) < 5:
            raise BadFile(path, "expected the 5 fields '%s', found %d" % (FLP_FIELDS, len(fields)),
                          lineno)
        name = fields[0]
        fault = name_fault(name)
        if fault:
            raise BadFile(path, "unit name %r %s" % (name, fault), lineno)
        if name in seen:
            raise BadFile(path, "unit '%s' is already defined on line %d" % (name, seen[name]),
                          lineno)
        values = []
        for what, field in zip(("width", "height", "left-x", "bottom-y"), fields[1:5]):
            v = parse_real(field)
            if v is None:
                raise BadFile(path, "unit '%s': %s '%s' is not a finite number"
                              % (name, what, field), lineno)
            if what in ("width", "height") and v <= 0:
                raise BadFile(path, "unit '%s': %s %s must be positive" % (name, what, field),
                              lineno)
            values.append(v)
        seen[name] = lineno
        units.append({"name": name, "w": values[0], "h": values[1], "x": values[2],
                      "y": values[3], "line": lineno})
    if not units:
        raise BadFile(path, "no units (expected lines '%s' in metres)" % FLP_FIELDS)
    return units
