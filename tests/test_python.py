# tests/test_python.py: the module calefax against the command line (bit for bit), its errors, its
# energy account, its field view and its memory over many loads. Run by python_tests.py, with
# CALEFAX_EXE (the simulator) and CALEFAX_SOURCE (the repository) set by ctest.
import gc
import os
import pathlib
import shutil
import subprocess

import numpy as np
import pytest

import calefax

SOURCE = pathlib.Path(os.environ.get("CALEFAX_SOURCE", pathlib.Path(__file__).parents[1]))
EXE = os.environ.get("CALEFAX_EXE", str(SOURCE / "build" / "Calefax"))
EXAMPLES = SOURCE / "examples"


def cli(cwd, *args, status=0):
    """Runs the simulator in cwd and checks its exit status; returns the finished process."""
    run = subprocess.run([EXE, *map(str, args)], cwd=cwd, capture_output=True, text=True,
                         timeout=300)
    assert run.returncode == status, run.stderr
    return run


def bits(a):
    return np.ascontiguousarray(a).view(np.uint64)


@pytest.fixture
def chip(tmp_path):
    """A folder holding the example chip."""
    for f in ("chip.dat", "chip.in"):
        shutil.copy(EXAMPLES / f, tmp_path)
    return tmp_path


def model(d, inp="chip.in"):
    return calefax.Model(str(d / "chip.dat"), str(d / inp))


def edit(path, old, new):
    text = path.read_text()
    assert old in text
    path.write_text(text.replace(old, new, 1))


def floorplan(d):
    """Writes floorplan.in in d: the example floorplan on the active layer (z 7..8)."""
    subprocess.run([str(SOURCE / "tools" / "calefax-floorplan"), "chip.dat",
                    str(EXAMPLES / "chip.flp"), "--z", "7", "8", "--layer", "ACTIVE",
                    "-o", "floorplan.in"], cwd=d, capture_output=True, check=True)


def assert_same_cut_planes(m, ref, out, monkeypatch):
    """The model's cut planes, written in out, byte for byte those in ref."""
    monkeypatch.chdir(out)
    names = m.write_cut_planes()
    assert names == ["active_z8.txt", "cut_x8.txt", "cut_y8.txt"]
    for n in names:
        assert (out / n).read_bytes() == (ref / n).read_bytes(), n


# The example's n_steps in four calls: the field after each against the command line's field
# files, the probe history against Calefax_transient.txt, the cut planes byte for byte.
def test_example_run_equals_command_line(chip, tmp_path_factory, monkeypatch):
    cli(chip, "chip.dat", "chip.in", "--field", "end.npy", "--field-every", "250")
    m = model(chip)
    for step in (250, 500, 750, 1000):
        m.advance(250)
        expected = np.load(chip / ("end_%06d.npy" % step))
        assert np.array_equal(bits(expected), bits(m.field)), "field differs at step %d" % step
    history = (chip / "Calefax_transient.txt").read_text().splitlines()
    assert history[1:] == ["%d      %g" % (s + 1, t) for s, t in enumerate(m.probe_history)]
    assert m.probe_history[-1] == m.field[m.probe]
    assert_same_cut_planes(m, chip, tmp_path_factory.mktemp("module"), monkeypatch)


# The example floorplan with the example trace: each interval's watts set before its steps give
# the field and the units file of --power.
def test_set_power_equals_power_trace(chip):
    floorplan(chip)
    cli(chip, "chip.dat", "floorplan.in", "--power", EXAMPLES / "chip.ptrace", "--interval",
        "0.005", "--steps", "400", "--field", "end.npy")
    lines = (EXAMPLES / "chip.ptrace").read_text().split("\n")
    names = lines[0].split()
    m = model(chip, "floorplan.in")
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


# One case per class of bad input: the module raises calefax.Error with the very line the command
# line prints after "Calefax: error: ", and the command line exits 1.
@pytest.mark.parametrize("files, change, what", [
    (("absent.dat", "chip.in"), None, "absent.dat: cannot open the data file"),
    (("chip.dat", "absent.in"), None, "cannot open the input file"),
    (("chip.dat", "chip.in"), ("chip.dat", "40 40 10", "40 forty 10"), "chip.dat:2: item"),
    (("chip.dat", "chip.in"), ("chip.in", "gpu     28  4 7   36 36 8   ACTIVE  3e9",
                               "gpu 28 4 7 36"), "chip.in:"),
    (("chip.dat", "chip.in"), ("chip.in", "ACTIVE  5e9", "NOSUCH  5e9"), "names layer 'NOSUCH'"),
    (("chip.dat", "chip.in"), ("chip.in", "28  4 7   36 36 8", "28  4 7   36 41 8"), "chip.in:11:"),
])
def test_bad_input_raises_the_command_line_message(chip, files, change, what):
    if change:
        edit(chip / change[0], *change[1:])
    paths = [chip / f for f in files]
    with pytest.raises(calefax.Error) as e:
        calefax.Model(*map(str, paths))
    assert isinstance(e.value, RuntimeError) and what in str(e.value)
    assert cli(chip, *paths, status=1).stderr.splitlines()[-1] == "Calefax: error: " + str(e.value)


# Refusals of calls on a loaded model; the model stays usable and its power unchanged.
@pytest.mark.parametrize("call, what", [
    (lambda m: m.set_power("nosuch", 1.0), "unit 'nosuch' is not the name of a block"),
    (lambda m: m.set_power("core0", -1.0), "is negative"),
    (lambda m: m.set_power("core0", float("nan")), "is not a finite power"),
    (lambda m: m.set_power("core0", 1e300), "its density is beyond the range of numbers"),
    (lambda m: m.set_density(6, 1e9), "block 6 is not a block"),
    (lambda m: m.set_density(1, float("nan")), "not a finite power density"),
    (lambda m: m.advance(-1), "must not be negative"),
])
def test_bad_calls_raise(chip, call, what):
    m = model(chip)
    with pytest.raises(calefax.Error, match=what):
        call(m)
    assert m.power("core0") == 1.0 and m.steps == 0
    m.advance(1)


# Watts times time equals the energy the nodes inject, counted by the audit, and that energy is
# stored or lost through the faces; a unit's watts are exact however its corners snapped.
def test_set_power_energy_account(chip):
    m = model(chip)
    expected = 0.0
    for core0, gpu, n in ((2.0, 0.5, 100), (0.25, 3.0, 150), (0.0, 0.0, 50)):
        m.set_power("core0", core0)
        m.set_power("gpu", gpu)
        assert m.power("core0") == pytest.approx(core0, rel=1e-14)
        m.advance(n)
        expected += sum(b["watts"] for b in m.blocks) * m.dt * n
    m.set_density(2, 2e9)   # core1: 2 mm x 2 mm x 50 um at 2e9 W/m^3 is 0.4 W
    assert m.blocks[2]["watts"] == pytest.approx(0.4, rel=1e-14)
    m.advance(20)
    expected += sum(b["watts"] for b in m.blocks) * m.dt * 20
    e = m.energy()
    assert e["expected"] == pytest.approx(expected, rel=1e-13)
    assert e["injected"] == pytest.approx(expected, rel=1e-12)
    assert abs(e["imbalance"]) < 1e-10


# The field is a read-only view of the model's own array, and keeps the model alive.
def test_field_is_a_view_that_keeps_the_model(chip):
    m = model(chip)
    f = m.field
    assert f.shape == m.shape == (41, 41, 11) and f.dtype == np.float64
    assert f.flags.c_contiguous and not f.flags.writeable and not f.flags.owndata
    m.advance(5)
    assert f[m.probe] == m.probe_history[-1] > m.t_amb
    with pytest.raises(ValueError):
        f[0, 0, 0] = 1.0
    kept = f.copy()
    del m
    gc.collect()
    assert np.array_equal(f, kept)


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
            model(chip, "bad.in")

    for _ in range(100):
        cycle()
    gc.collect()
    before = rss_kib()
    for _ in range(1000):
        cycle()
    gc.collect()
    after = rss_kib()
    assert after - before < 2 * 1024, "RSS %d KiB after 100 cycles, %d after 1100" % (before, after)
