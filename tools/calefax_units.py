# tools/calefax_units.py: the units file of a Calefax run (--power, --unit-temps), for calefax-plot
#
# CSV with the header "time_s,NAME.max,NAME.mean,..." and one row per sample: the time in seconds,
# then each unit's largest and mean temperature ("nan" for a unit without nodes).

import math


class UnitsError(Exception):
    """What is wrong with a units file, with the line when known, without the file's name."""

    def __init__(self, what, line=None):
        super().__init__(what)
        self.line = line


def read_units(lines):
    """(times, [(name, maxima)]) of the lines of a units file, checked; maxima per row."""
    numbered = [(n, s.strip()) for n, s in enumerate(lines, start=1) if s.strip()]
    if not numbered:
        raise UnitsError("no header line 'time_s,NAME.max,NAME.mean,...'")
    lineno, header = numbered[0]
    cols = header.split(",")
    if cols[0] != "time_s" or len(cols) < 3 or len(cols) % 2 != 1:
        raise UnitsError("not a units file (expected 'time_s,NAME.max,NAME.mean,...')", lineno)
    names = []
    for c in range(1, len(cols), 2):
        name = cols[c][:-len(".max")]
        if not cols[c].endswith(".max") or cols[c + 1] != name + ".mean" or not name:
            raise UnitsError("columns '%s,%s' are not NAME.max,NAME.mean"
                             % (cols[c], cols[c + 1]), lineno)
        names.append(name)
    times, maxima = [], [[] for _ in names]
    for lineno, s in numbered[1:]:
        fields = s.split(",")
        if len(fields) != len(cols):
            raise UnitsError("%d values where the header has %d" % (len(fields), len(cols)),
                             lineno)
        try:
            values = [float(f) for f in fields]
        except ValueError:
            bad = next(f for f in fields if not _is_float(f))
            raise UnitsError("'%s' is not a number" % bad, lineno)
        if not math.isfinite(values[0]) or (times and values[0] < times[-1]):
            raise UnitsError("time '%s' is not a finite time after the row before" % fields[0],
                             lineno)
        times.append(values[0])
        for u in range(len(names)):
            maxima[u].append(values[1 + 2 * u])
    if not times:
        raise UnitsError("no rows after the header")
    return times, list(zip(names, maxima))


def _is_float(text):
    try:
        float(text)
        return True
    except ValueError:
        return False
