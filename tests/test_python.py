# tests/test_python.py: the module calefax against the command line (bit for bit), its errors, its
# energy account, its field view and its memory over many loads. Run by python_tests.py, with
# CALEFAX_EXE (the simulator) and CALEFAX_SOURCE (the repository) set by ctest.
import gc
import importlib.util
import os
import pathlib
import re
import shutil
import subprocess
import sys

import numpy as np
import pytest

import calefax

SOURCE = pathlib.Path(os.environ.get("CALEFAX_SOURCE", pathlib.Path(__file__).parents[1]))
EXE = os.environ.get("CALEFAX_EXE", str(SOURCE / "build" / "Calefax"))
EXAMPLES = SOURCE / "examples"


def cli(cwd, *args):
    """Runs the simulator in cwd; returns the finished process (output captured)."""
    return subprocess.run([EXE, *map(str, args)], cwd=cwd, capture_output=True, text=True,
                          timeout=300)


def bits(a):
    return np.ascontiguousarray(a).view(np.uint64)


@pytest.fixture
def chip(tmp_path):
    """A folder holding the example chip."""
    for f in ("chip.dat", "chip.in"):
        shutil.copy(EXAMPLES / f, tmp_path)
    return tmp_path


def model(d):
    return calefax.Model(str(d / "chip.dat"), str(d / "chip.in"))


# ---- the same run as the command line, to the bit ------------------------------------------

# The example's n_steps in four calls: the field after each against the command line's field
# files, the probe history against Calefax_transient.txt, the cut planes byte for byte.
def test_example_run_equals_command_line(chip, tmp_path_factory, monkeypatch):
    run = cli(chip, "chip.dat", "chip.in", "--field", "end.npy", "--field-every", "250")
    assert run.returncode == 0, run.stderr
    m = model(chip)
    assert m.n_steps == 1000
    for step in (250, 500, 750, 1000):
        m.advance(250)
        expected = np.load(chip / ("end_%06d.npy" % step))
        assert np.array_equal(bits(expected), bits(m.field)), "field differs at step %d" % step
    history = (chip / "Calefax_transient.txt").read_text().splitlines()
    assert history[0] == "\\41X41X11"
    assert history[1:] == ["%d      %g" % (s + 1, t) for s, t in enumerate(m.probe_history)]
    assert m.probe_history[-1] == m.field[m.probe]
    out = tmp_path_factory.mktemp("module")
    monkeypatch.chdir(out)
    names = m.write_cut_planes()
    assert names == ["active_z8.txt", "cut_x8.txt", "cut_y8.txt"]
    for n in names:
        assert (out / n).read_bytes() == (chip / n).read_bytes(), n


# The example floorplan with the example trace: each interval's watts set before its steps give
# the field and the units file of --power.
def test_set_power_equals_power_trace(chip):
    fp = subprocess.run([str(SOURCE / "tools" / "calefax-floorplan"), "chip.dat",
                         str(EXAMPLES / "chip.flp"), "--z", "7", "8", "--layer", "ACTIVE",
                         "-o", "floorplan.in"], cwd=chip, capture_output=True, text=True)
    assert fp.returncode == 0, fp.stderr
    run = cli(chip, "chip.dat", "floorplan.in", "--power", EXAMPLES / "chip.ptrace",
              "--interval", "0.005", "--steps", "400", "--field", "end.npy")
    assert run.returncode == 0, run.stderr
    lines = (EXAMPLES / "chip.ptrace").read_text().split("\n")
    names = lines[0].split()
    m = calefax.Model(str(chip / "chip.dat"), str(chip / "floorplan.in"))
    rows = []
    for line in lines[1:81]:
        for name, w in zip(names, line.split()):
            m.set_power(name, float(w))
        m.advance(5)
        temps = m.unit_temperatures()
        rows.append(",".join(["%.12g" % m.time] +
                             ["%.12g,%.12g" % temps[u] for u in m.units]))
    assert np.array_equal(bits(np.load(chip / "end.npy")), bits(m.field))
    assert (chip / "Calefax_units.csv").read_text().splitlines()[2:] == rows
    assert m.power("core0") == pytest.approx(float(lines[80].split()[0]), rel=1e-14)


# The steady state and its cut planes: those of --steady.
def test_steady_equals_command_line(chip, tmp_path_factory, monkeypatch):
    assert cli(chip, "chip.dat", "chip.in", "--steady").returncode == 0
    m = model(chip)
    r = m.steady()
    assert r["iterations"] > 0 and abs(r["balance"]) < 1e-9
    assert r["power_in"] == pytest.approx(5.4, rel=1e-12)
    assert (chip / "Calefax_steady.txt").read_text().split("\n")[1] == "%g" % m.field[m.probe]
    monkeypatch.chdir(tmp_path_factory.mktemp("steady"))
    for n in m.write_cut_planes():
        assert pathlib.Path(n).read_bytes() == (chip / n).read_bytes(), n
    settled = m.field.copy()
    m.advance(10)   # from the steady state the field stays where it is
    assert np.max(np.abs(m.field - settled)) < 1e-8


# ---- errors --------------------------------------------------------------------------------

def edit(path, old, new):
    text = path.read_text()
    assert old in text
    path.write_text(text.replace(old, new, 1))


# One case per class of bad input: the module raises calefax.Error with the very line the command
# line prints after "Calefax: error: ", and the command line exits 1.
@pytest.mark.parametrize("case, data, old, new, what", [
    ("missing data file", "absent.dat", None, None, "absent.dat: cannot open the data file"),
    ("missing input file", "chip.dat", "chip.in", None, "cannot open the input file"),
    ("bad data item", "chip.dat", "40 40 10", "40 forty 10", "chip.dat:2: item"),
    ("grid too large", "chip.dat", "40 40 10", "4000 4000 1000", "chip.dat:2: item"),
    ("bad block record", "chip.in", "gpu     28  4 7   36 36 8   ACTIVE  3e9", "gpu 28 4 7 36",
     "chip.in:"),
    ("unknown layer", "chip.in", "ACTIVE  5e9", "NOSUCH  5e9", "names layer 'NOSUCH'"),
    ("index outside", "chip.in", "28  4 7   36 36 8", "28  4 7   36 41 8", "chip.in:11:"),
])
def test_bad_input_raises_the_command_line_message(chip, case, data, old, new, what):
    if old and new:
        edit(chip / data, old, new)
    input_file = "absent.in" if case == "missing input file" else "chip.in"
    data_file = data if data.endswith(".dat") else "chip.dat"
    with pytest.raises(calefax.Error) as e:
        calefax.Model(str(chip / data_file), str(chip / input_file))
    assert isinstance(e.value, RuntimeError) and what in str(e.value)
    run = cli(chip, chip / data_file, chip / input_file)
    assert run.returncode == 1
    assert run.stderr.splitlines()[-1] == "Calefax: error: " + str(e.value)


# Refusals of calls on a loaded model; the model stays usable and its power unchanged.
@pytest.mark.parametrize("call, what", [
    (lambda m: m.set_power("nosuch", 1.0), "unit 'nosuch' is not the name of a block"),
    (lambda m: m.set_power("core0", -1.0), "is negative"),
    (lambda m: m.set_power("core0", float("nan")), "is not a finite power"),
    (lambda m: m.set_power("core0", float("inf")), "is not a finite power"),
    (lambda m: m.set_density(6, 1e9), "block 6 is not a block"),
    (lambda m: m.set_density(1, float("nan")), "not a finite power density"),
    (lambda m: m.power("nosuch"), "unit 'nosuch'"),
    (lambda m: m.advance(-1), "must not be negative"),
])
def test_bad_calls_raise(chip, call, what):
    m = model(chip)
    with pytest.raises(calefax.Error, match=what):
        call(m)
    assert m.power("core0") == 1.0 and m.steps == 0
    m.advance(1)


# A density whose source term overflows inside a block two cells thick: the field of the next step
# is not finite.
def test_divergence_raises(chip):
    edit(chip / "chip.in", "core0    4  4 7", "core0    4  4 6")
    m = model(chip)
    m.advance(3)
    m.set_density(1, np.finfo(float).max)
    with pytest.raises(calefax.Error, match=r"the run diverged at step 3 \(dt = 0.001 s\): "
                                            "the field holds values that are not finite"):
        m.advance(10)
    assert m.steps == len(m.probe_history) == 4


# ---- power and energy ----------------------------------------------------------------------

# Watts times time equals the energy the nodes inject, counted by the audit, and that energy is
# stored or lost through the faces; a unit's watts are exact however its corners snapped.
def test_set_power_energy_account(chip):
    m = model(chip)
    dt = m.dt
    expected = 0.0
    for core0, gpu, n in ((2.0, 0.5, 100), (0.25, 3.0, 150), (0.0, 0.0, 50)):
        m.set_power("core0", core0)
        m.set_power("gpu", gpu)
        assert m.power("core0") == pytest.approx(core0, rel=1e-14)
        m.advance(n)
        expected += sum(b["watts"] for b in m.blocks) * dt * n
    m.set_density(2, 2e9)   # core1: 2 mm x 2 mm x 50 um at 2e9 W/m^3 is 0.4 W
    assert m.blocks[2]["watts"] == pytest.approx(0.4, rel=1e-14)
    m.advance(20)
    expected += sum(b["watts"] for b in m.blocks) * dt * 20
    e = m.energy()
    assert e["expected"] == pytest.approx(expected, rel=1e-13)
    assert e["injected"] == pytest.approx(expected, rel=1e-12)
    assert abs(e["imbalance"]) < 1e-10


# ---- the field view ------------------------------------------------------------------------

def test_field_is_a_view_that_keeps_the_model(chip):
    m = model(chip)
    f = m.field
    assert f.shape == m.shape == (41, 41, 11) and f.dtype == np.float64
    assert f.flags.c_contiguous and not f.flags.writeable and not f.flags.owndata
    assert np.shares_memory(f, m.field)
    assert np.all(f == m.t_amb)
    m.advance(5)
    assert f[m.probe] == m.probe_history[-1] > m.t_amb
    with pytest.raises(ValueError):
        f[0, 0, 0] = 1.0
    kept = f.copy()
    del m
    gc.collect()
    assert np.array_equal(f, kept)


# ---- memory --------------------------------------------------------------------------------

def rss_kib():
    with open("/proc/self/statm") as s:
        return int(s.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024


# Loading, stepping, viewing and freeing a model (and a load that fails) 1000 times leaves the
# resident memory where it was after the first 100: a model holds about 0.9 MiB.
@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="needs /proc")
def test_rss_flat_over_1000_loads(chip):
    edit(chip / "chip.dat", "1000\n40 40 10", "1\n40 40 10")
    (chip / "bad.in").write_text("b 0 0 0 1 1 1 NOSUCH 1\n")

    def cycle():
        m = model(chip)
        m.set_power("core0", 2.0)
        m.advance(1)
        f = m.field
        assert f[m.probe] > m.t_amb
        del m, f
        with pytest.raises(calefax.Error):
            calefax.Model(str(chip / "chip.dat"), str(chip / "bad.in"))

    for _ in range(100):
        cycle()
    gc.collect()
    before = rss_kib()
    for _ in range(1000):
        cycle()
    gc.collect()
    after = rss_kib()
    print("RSS after 100 cycles %d KiB, after 1100 %d KiB" % (before, after))
    assert after - before < 2 * 1024


# ---- the co-simulation example -------------------------------------------------------------

# A short run of examples/cosim.py on the example floorplan: the watts it set are the energy
# injected, and it writes its plot.
@pytest.mark.skipif(importlib.util.find_spec("matplotlib") is None, reason="needs matplotlib")
def test_cosim_example(chip):
    subprocess.run([str(SOURCE / "tools" / "calefax-floorplan"), "chip.dat",
                    str(EXAMPLES / "chip.flp"), "--z", "7", "8", "--layer", "ACTIVE",
                    "-o", "floorplan.in"], cwd=chip, capture_output=True, check=True)
    run = subprocess.run([sys.executable, str(EXAMPLES / "cosim.py"), "chip.dat", "floorplan.in",
                          "--intervals", "40", "--limit", "46", "-o", "c.png"], cwd=chip,
                         capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stderr
    injected, expected = map(float, re.search(r"energy (\S+) J injected, (\S+) J by",
                                              run.stdout).groups())
    assert injected == pytest.approx(expected, rel=1e-5)
    assert "core2  hottest" in run.stdout and re.search(r"throttled in [1-9]", run.stdout)
    assert (chip / "c.png").stat().st_size > 0
