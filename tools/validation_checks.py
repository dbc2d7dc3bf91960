# tools/validation_checks.py: the three checks of tools/validate, one function each: runs,
# compares, and returns its section of the page as Markdown plus the verdicts of its checks.

import math
import os
from decimal import Decimal

from validation_common import (UNIT, LAYERS, BASE, K_BASE, ADI_CN, SLAB, CHIP, RATIO_RANGE,
    BALANCE_LIMIT, Failure, num, sci, data_file, blocks_file, adi_history, cn_history, read_plane,
    last_change, code, block_volume, history_file, chip_faces, heat_out)


# ---- (a) ADI against Crank-Nicolson ---------------------------------------------------------

def check_adi_cn(r):
    """Runs the ADI and Crank-Nicolson pairs; returns (Markdown, [(check, passed)])."""
    s = ADI_CN
    nx, ny, nz = s["grid"]
    px, py, pz = s["probe"]
    blocks = blocks_file(s["blocks"], [
        "Two blocks at least two nodes thick, off the faces and apart from each other.",
        "The same file is the input file of Calefax and TSinput.txt of calefax-cn."])
    rows, commands, first = [], [], None
    for m in range(s["runs"]):
        dt = s["dt0"] / 2 ** m
        steps = s["steps0"] * 2 ** m
        data = data_file(steps, s["grid"], s["spacing"], dt, s["T_amb"], s["h"], s["probe"], [])
        cwd = r.folder("a-%d" % steps, {"model.dat": data, "blocks.in": blocks,
                                        "TSinput.txt": blocks})
        c1 = r.run(cwd, r.calefax, ["model.dat", "blocks.in"], "calefax.log")
        c2 = r.run(cwd, r.cn, [nx, ny, nz, num(dt), num(s["T_amb"]), s["method"], steps,
                               px, py, pz, "--convection"], "calefax-cn.log")
        commands.append("cd %s\n%s\n%s\ncd -" % (r.where(cwd), c1, c2))
        adi = adi_history(os.path.join(cwd, "Calefax_transient.txt"))
        cn = cn_history(os.path.join(cwd, "Crank_Nicolson_Conv.txt"))
        if len(adi) != steps or len(cn) != steps:
            raise Failure("%s: %d ADI and %d Crank-Nicolson values for %d steps"
                          % (r.where(cwd), len(adi), len(cn), steps))
        diff = [abs(a - c) for a, c in zip(adi, cn)]
        worst = max(diff)
        rows.append((dt, steps, worst, diff.index(worst) + 1, diff[-1], adi[-1], cn[-1]))
        if first is None:
            first = (cwd, data, dt, steps)

    cwd, data, dt, steps = first
    plot_cmd = r.plot(cwd, ["history", "Calefax_transient.txt", "Crank_Nicolson_Conv.txt",
                            "--unit", UNIT], "adi_cn_history.png")

    table = ["| dt (s) | steps | max \\|T_adi − T_cn\\| (K) | at step | ratio to the line above "
             "| \\|T_adi − T_cn\\| at the end (K) | T at the end, ADI / CN |",
             "|---|---|---|---|---|---|---|"]
    ratios = []
    for n, (dt_, st, worst, at, end, a_end, c_end) in enumerate(rows):
        ratio = ""
        if n > 0 and worst > 0:
            ratios.append(float(rows[n - 1][2] / worst))
            ratio = "%.2f" % ratios[-1]
        table.append("| %s | %d | %s | %d | %s | %s | %s / %s |"
                     % (num(dt_), st, worst, at, ratio, end if end else "0", a_end, c_end))
    last_ratio = ratios[-1] if ratios else 0.0
    ok = RATIO_RANGE[0] <= last_ratio <= RATIO_RANGE[1]
    smallest = rows[-1][2]

    md = []
    md.append("## (a) ADI and Crank-Nicolson on the same model\n")
    md.append(
        "`Calefax` (Douglas-Gunn ADI) and `calefax-cn --convection` (Crank-Nicolson, method "
        "%d: minimum degree ordering and a complete Cholesky factor, so every step is solved "
        "directly) run the same model: the data file below reproduces the built-in model of "
        "`calefax-cn` (grid %d x %d x %d, spacing 1e-6 m on every axis, h = 30000 W/(m² K) on "
        "every face, the built-in ten-layer table, base SI) with T_amb = 35.0, so that both "
        "start from 35.0 everywhere, and both read the same two blocks. The probe is node "
        "(%d, %d, %d), inside the hot block. The two blocks are at least two nodes thick, keep "
        "off the faces and apart from each other; as long as they do, the two coefficient "
        "assemblies give the same equations.\n" % (s["method"], nx, ny, nz, px, py, pz))
    md.append("Data file of the first run (`model.dat`; the other runs change only the number "
              "of steps, the first item, and the time step, the fourth line):\n")
    md.append(code(data))
    md.append("Blocks (`blocks.in`, copied to `TSinput.txt`):\n")
    md.append(code(blocks))
    md.append(
        "The time step is halved %d times with the number of steps doubled, so every run "
        "ends at %s s. Douglas-Gunn is a second-order splitting of the Crank-Nicolson step: "
        "the two schemes differ by a term of order dt², so the largest difference over the "
        "probe history should shrink about four times per halving.\n"
        % (s["runs"] - 1, sci(s["dt0"] * s["steps0"])))
    md.append("\n".join(table) + "\n")
    md.append(
        "Both files print 6 significant digits, 1e-4 K at these temperatures; the smallest "
        "difference in the table, %s K, is %d times that. The largest difference sits in the "
        "first steps, where the power switched on at step 1 makes the field change fastest; "
        "once the heating is smooth the two schemes agree to the printed digits (last "
        "column). The ratio of the last two halvings is %.2f (expected about 4: %s).\n"
        % (smallest, int(smallest / Decimal("1e-4")), last_ratio,
           "holds" if ok else "DOES NOT HOLD"))
    md.append("Commands (from the repository root; `tools/validate` writes `model.dat`, "
              "`blocks.in` and `TSinput.txt` into each folder first):\n")
    md.append(code("\n".join(commands), "sh"))
    md.append("![Probe history of both schemes at dt = %s s](validation/adi_cn_history.png)\n"
              % num(dt))
    md.append("*Probe (%d, %d, %d) over the %d steps of dt = %s s, the largest time step of "
              "the table: the ADI (`Calefax_transient.txt`) and Crank-Nicolson "
              "(`Crank_Nicolson_Conv.txt`) histories lie on each other; the largest gap, at step "
              "%d, is %s K. Made in `%s` with `%s`.*\n"
              % (px, py, pz, steps, num(dt), rows[0][3], rows[0][2], r.where(cwd), plot_cmd))
    return "\n".join(md), [("(a) max difference shrinks about 4 times per halving of dt "
                            "(last ratio %.2f)" % last_ratio, ok)]


# ---- (b) steady one-dimensional slab ---------------------------------------------------------


def slowest_root(biot):
    """The root zeta in (0, pi/2) of zeta tan(zeta) = biot (bisection)."""
    lo, hi = 0.0, math.pi / 2
    for _ in range(100):
        mid = 0.5 * (lo + hi)
        if mid * math.tan(mid) < biot:
            lo = mid
        else:
            hi = mid
    return 0.5 * (lo + hi)


def step_factor(dt, lam):
    """What one Crank-Nicolson step does to a mode decaying at rate lam."""
    return (1.0 - dt * lam / 2.0) / (1.0 + dt * lam / 2.0)


def check_slab(r):
    """Runs the slab to steady state and compares it with T(z); returns (Markdown, checks)."""
    s = SLAB
    nx, ny, nz = s["grid"]
    dx, dy, dz = s["spacing"]
    q, t_amb, k = s["q"], s["T_amb"], K_BASE
    h = s["h"][4]
    length = nz * dz
    axis, index, cut_name = s["cut"]
    blocks = blocks_file([("slab", (0, 0, 0), s["grid"], BASE, q)], [
        "One block of the base material over the whole grid: uniform power density."])
    data = data_file(s["steps"], s["grid"], s["spacing"], s["dt"], t_amb, s["h"], s["probe"],
                     [s["cut"]])
    cwd = r.folder("b-slab", {"slab.dat": data, "slab.in": blocks})
    run_cmd = r.run(cwd, r.calefax, ["slab.dat", "slab.in"], "calefax.log")

    probe = adi_history(os.path.join(cwd, "Calefax_transient.txt"))
    flat_from = last_change(probe)
    plane = read_plane(os.path.join(cwd, cut_name), nz + 1, ny + 1)

    def exact(z):
        return t_amb + q * length / (2.0 * h) + q * z * (length - z) / (2.0 * k)

    j = s["column"]
    node_rows, worst_abs, worst_rel, equal, uniform = [], 0.0, 0.0, 0, True
    for kk, row in enumerate(plane):
        text, value = row[j]
        uniform = uniform and all(t == text for t, _ in row)
        z = kk * dz
        te = exact(z)
        d = value - te
        worst_abs = max(worst_abs, abs(d))
        worst_rel = max(worst_rel, abs(d) / te)
        same = float("%.6g" % te) == value
        equal += same
        node_rows.append("| %d | %g | %s | %.9g | %+.2e | %s |"
                         % (kk, z * 1e6, text, te, d, "yes" if same else "NO"))
    t_max = max(exact(kk * dz) for kk in range(nz + 1))
    half_unit = 0.5 * 10 ** (len("%d" % int(t_max)) - 6)      # half the last printed digit
    ok_profile = equal == nz + 1 and uniform
    ok_flat = flat_from < s["steps"]

    # The profile plot: calefax-plot draws value-over-step files, so the column and the
    # formula are written in that layout with z in micrometres in place of the step.
    um = int(round(dz * 1e6))
    history_file(os.path.join(cwd, "slab_analytic.txt"),
                 [(z, exact(z * 1e-6)) for z in range(0, nz * um + 1, 5)], s["grid"])
    history_file(os.path.join(cwd, "slab_Calefax_x2_column.txt"),
                 [(kk * um, row[j][1]) for kk, row in enumerate(plane)], s["grid"])
    profile_cmd = r.plot(cwd, ["history", "slab_analytic.txt", "slab_Calefax_x2_column.txt",
                               "--unit", UNIT], "slab_profile.png")
    history_cmd = r.plot(cwd, ["history", "Calefax_transient.txt", "--unit", UNIT],
                         "slab_history.png")

    md = []
    md.append("## (b) Steady one-dimensional slab\n")
    md.append(
        "A slab %g µm thick (%d intervals of dz = %g µm along z) on a %d x %d grid of "
        "dx = %g µm and dy = %g µm: the four x and y faces have h = 0, the two z faces "
        "h = %s W/(m² K), and one block of the base material SI (k = %g W/(m K)) fills the "
        "grid with q = %s W/m³. The spacings differ on every axis, so the conductances along "
        "y and z carry the factors (dx/dy)² = %g and (dx/dz)² = %g. At steady state "
        "the temperature depends on z only:\n"
        % (length * 1e6, nz, dz * 1e6, nx, ny, dx * 1e6, dy * 1e6, sci(h), k, sci(q),
           (dx / dy) ** 2, (dx / dz) ** 2))
    md.append("    T(z) = T_amb + q L / (2 h) + q z (L - z) / (2 k),   L = nz dz = %g µm,\n"
              % (length * 1e6))
    md.append(
        "from %s at the faces to %s in the middle. The finite-volume scheme reproduces a "
        "parabola exactly: inside, the second difference of a parabola is its second "
        "derivative; on a z face, the half cell's power q dz/2 plus the conduction "
        "k (T1 - T0)/dz equals the convection h (T0 - T_amb) for the exact values. Both hold "
        "only because the z conductance is scaled by (dx/dz)² and because a face node takes "
        "its block share of the power like an inner node: the block's position code already "
        "halves the share of its face nodes, which are the half cells of the grid's faces.\n"
        % ("%.6g" % exact(0.0), "%.6g" % exact(length / 2)))
    md.append("Data file (`slab.dat`) and block file (`slab.in`):\n")
    md.append(code(data))
    md.append(code(blocks))
    base = [l for l in LAYERS if l[0] == BASE][-1]
    alpha = base[1] / (base[2] * base[3])
    zeta = slowest_root(h * (length / 2.0) / k)
    lam_slow = alpha * (zeta / (length / 2.0)) ** 2
    lam_stiff = 4.0 * alpha / dz ** 2
    md.append(
        "Steady state. A Crank-Nicolson-type step damps the stiff modes of a large time step "
        "slowly: it multiplies a mode decaying at the rate λ by (1 − λ dt/2)/(1 + λ dt/2), "
        "which tends to −1 as λ dt grows. The slowest mode of the slab has the time constant "
        "1/λ1 = %.3g ms (λ1 = α (2ζ/L)², ζ tan ζ = h L/(2k), α = k/(ρ cp)); with "
        "dt = %s s, about 1/%d of it, a step multiplies that mode by %.3f and the stiffest "
        "mode along z (λ ≈ 4α/dz²) by %.3f, so after %d steps (%g s) both are far below the "
        "printed digits. The probe (%d, %d, %d) in the middle of the slab prints the same "
        "value, %s, from step %d to step %d: the history is flat to the printed digits for "
        "the last %d steps%s.\n"
        % (1e3 / lam_slow, num(s["dt"]), round(1.0 / (lam_slow * s["dt"])),
           step_factor(s["dt"], lam_slow), step_factor(s["dt"], lam_stiff), s["steps"],
           s["dt"] * s["steps"], s["probe"][0], s["probe"][1], s["probe"][2], probe[-1],
           flat_from, s["steps"], s["steps"] - flat_from,
           "" if ok_flat else " (NOT FLAT: the run ends before steady state)"))
    md.append("| quantity | value |\n|---|---|")
    md.append("| max \\|T_Calefax − T(z)\\| over the %d nodes of the column | %.2e K |"
              % (nz + 1, worst_abs))
    md.append("| max relative difference \\|T_Calefax − T(z)\\| / T(z) | %.2e |" % worst_rel)
    md.append("| half a unit of the last printed digit, relative to %.6g | %.2e |"
              % (t_max, half_unit / t_max))
    md.append("| nodes printed as T(z) rounded to 6 significant digits | %d of %d |"
              % (equal, nz + 1))
    md.append("| every line of the x plane holds one value (no y dependence) | %s |\n"
              % ("yes" if uniform else "NO"))
    md.append("<details><summary>The column node by node</summary>\n")
    md.append("| k | z (µm) | Calefax (printed) | T(z) | difference (K) | equal to 6 digits |")
    md.append("|---|---|---|---|---|---|")
    md.append("\n".join(node_rows))
    md.append("\n</details>\n")
    md.append("Commands (from the repository root; `tools/validate` writes `slab.dat` and "
              "`slab.in` into the folder first, and the two profile files before the plot):\n")
    md.append(code("cd %s\n%s\n%s\n%s\ncd -" % (r.where(cwd), run_cmd, profile_cmd, history_cmd),
                   "sh"))
    md.append("![Slab temperature across its thickness](validation/slab_profile.png)\n")
    md.append(
        "*Temperature across the slab: the column j = %d of the x plane %d (`%s`) against "
        "T(z). `calefax-plot` draws value-over-step files, so `tools/validate` writes both "
        "curves in the layout of `Calefax_transient.txt` with z in µm in place of the step: "
        "the horizontal axis labelled \"step\" is z in µm, and the vertical axis is the "
        "temperature. `slab_Calefax_x2_column.txt` holds the %d printed values at z = 0, %d, "
        "%d, ... µm, `slab_analytic.txt` the formula every 5 µm. Made with the second "
        "command above.*\n" % (j, index, cut_name, nz + 1, um, 2 * um))
    md.append("![Slab probe over the steps](validation/slab_history.png)\n")
    md.append("*The probe in the middle of the slab over the %d steps: flat from step %d. Made "
              "with the third command above.*\n" % (s["steps"], flat_from))
    return "\n".join(md), [
        ("(b) slab column equals T(z) to the printed digits at every node (%d of %d)"
         % (equal, nz + 1), ok_profile),
        ("(b) slab probe flat for the last %d steps" % (s["steps"] - flat_from), ok_flat)]


# ---- (c) energy balance of a 3D chip --------------------------------------------------------


def check_chip(r):
    """Runs the chip to steady state; compares power in with heat out; returns (Markdown,
    checks)."""
    s = CHIP
    nx, ny, nz = s["grid"]
    blocks = blocks_file(s["blocks"], [
        "Blocks of different layers and power densities that touch each other and the faces."])
    power_in = sum(q * block_volume(a, b, s["spacing"]) for _, a, b, _, q in s["blocks"])
    cuts = [(axis, index, fname) for _, axis, index, fname, _, _, _ in chip_faces(s["grid"])]
    runs, commands, data_last, cwd_last = [], [], None, None
    for steps in s["steps"]:
        data = data_file(steps, s["grid"], s["spacing"], s["dt"], s["T_amb"], s["h"],
                         s["probe"], cuts)
        cwd = r.folder("c-%d" % steps, {"chip.dat": data, "chip.in": blocks})
        commands.append("cd %s\n%s\ncd -" % (r.where(cwd), r.run(cwd, r.calefax,
                                                                  ["chip.dat", "chip.in"],
                                                                  "calefax.log")))
        faces, out = heat_out(cwd, s)
        probe = adi_history(os.path.join(cwd, "Calefax_transient.txt"))
        runs.append((steps, faces, out, (out - power_in) / power_in, probe, last_change(probe)))
        data_last, cwd_last = data, cwd
    top = chip_faces(s["grid"])[5][3]
    map_cmd = r.plot(cwd_last, ["map", top, "--axis", "z", "--unit", UNIT], "chip_top.png")
    commands[-1] = commands[-1][:-len("\ncd -")] + "\n" + map_cmd + "\ncd -"

    steps, faces, out, rel, probe, flat_from = runs[-1]
    ok = abs(rel) <= BALANCE_LIMIT and flat_from < steps

    md = []
    md.append("## (c) Energy balance of a 3D chip at steady state\n")
    md.append(
        "A die of %g x %g x %g µm on a %d x %d x %d grid (dx = dy = %g µm, dz = %g µm) with a "
        "different h on each face, four powered blocks of three layers and an unpowered copper "
        "block, touching each other and the faces. At steady state the power of the blocks leaves through the faces by "
        "convection:\n"
        % (nx * s["spacing"][0] * 1e6, ny * s["spacing"][1] * 1e6, nz * s["spacing"][2] * 1e6,
           nx, ny, nz, s["spacing"][0] * 1e6, s["spacing"][2] * 1e6))
    md.append(
        "- power in = sum over the blocks of q times the volume of the cells the block owns: a "
        "block over nodes x1..x2 covers the cells between them, (x2 - x1) dx along x. Every "
        "node receives the mean power density of its eight cells, so the power the scheme "
        "injects is exactly q (x2 - x1) dx (y2 - y1) dy (z2 - z1) dz per block when blocks "
        "share no cell, also where they touch;\n"
        "- heat out = sum over the nodes of each face of h times the node's share of the "
        "face's area times (T - T_amb): a node on an edge of the face has half the area of an "
        "inner face node, a node at a corner of the face a quarter, and a corner node of the "
        "grid counts on each of its three faces. The six cut planes at the faces give every "
        "face temperature.\n")
    md.append(
        "The cores touch each other and the cache, the io block touches the cache and the x-max "
        "face, and the copper via stands on the bottom face. Every node's equation is built "
        "from its eight cells, so both nodes of a link use the same weight and the discrete "
        "balance is exact wherever materials meet. What is left is the 6-digit printing of the "
        "face temperatures and how far the run is from steady state.\n")
    md.append("Data file (`chip.dat`; the shorter runs change only the number of steps) and "
              "block file (`chip.in`):\n")
    md.append(code(data_last))
    md.append(code(blocks))
    md.append("| block | layer | nodes | volume (m³) | q (W/m³) | power (W) |")
    md.append("|---|---|---|---|---|---|")
    for name, a, b, layer, q in s["blocks"]:
        v = block_volume(a, b, s["spacing"])
        md.append("| %s | %s | (%d, %d, %d)–(%d, %d, %d) | %s | %s | %s |"
                  % ((name, layer) + a + b + (sci(v, 6), sci(q), sci(q * v, 6))))
    md.append("| **power in** | | | | | **%s** |\n" % sci(power_in, 6))
    md.append("Heat convected out after %d steps of %s s:\n" % (steps, num(s["dt"])))
    md.append("| face | h (W/(m² K)) | area (m²) | mean T − T_amb (K) | heat out (W) |")
    md.append("|---|---|---|---|---|")
    for name, hv, area, rise, watts in faces:
        md.append("| %s | %s | %s | %.4f | %s |" % (name, sci(hv), sci(area, 6), rise,
                                                      sci(watts, 6)))
    md.append("| **heat out** | | | | **%s** |\n" % sci(out, 6))
    md.append("Balance as the run approaches steady state (dt = %s s; the probe (%d, %d, %d) "
              "is inside core0):\n" % ((num(s["dt"]),) + s["probe"]))
    md.append("| steps | time (s) | probe at the end | probe last changed at step | power in "
              "(W) | heat out (W) | (out − in) / in |")
    md.append("|---|---|---|---|---|---|---|")
    for st, _, o, rl, pr, fl in runs:
        md.append("| %d | %g | %s | %d | %s | %s | %.1e |"
                  % (st, st * s["dt"], pr[-1], fl, sci(power_in, 6), sci(o, 6), rl))
    md.append("")
    md.append(
        "After %d steps the probe's printed value has not changed since step %d, and heat out "
        "matches power in to a relative %.1e (limit of this check: %g%s).\n"
        % (steps, flat_from, abs(rel), BALANCE_LIMIT, "" if ok else "; NOT MET"))
    md.append("Commands (from the repository root; `tools/validate` writes `chip.dat` and "
              "`chip.in` into each folder first):\n")
    md.append(code("\n".join(commands), "sh"))
    md.append("![Top face of the chip](validation/chip_top.png)\n")
    md.append("*The top face (z = %d) after %d steps: the cores lie two nodes below it "
              "(z = 6..8), core0 at the lower left. Made with the last `calefax-plot` command "
              "above.*\n" % (nz, steps))
    return "\n".join(md), [("(c) energy balance to %.1e after %d steps (limit %g)"
                            % (abs(rel), steps, BALANCE_LIMIT), ok)]
