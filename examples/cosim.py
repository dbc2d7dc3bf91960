#!/usr/bin/env python3
"""Co-simulation of the example chip with a toy performance model that throttles hot cores.

Every interval the performance model gives each core a power from its workload and its clock;
Calefax advances the chip through the interval at that power and hands back each core's
temperature; a core whose hottest node passed the limit runs the next interval one clock step
slower, and one step faster again once it has cooled below the limit minus a margin.

    tools/calefax-floorplan examples/chip.dat examples/chip.flp --z 7 8 --layer ACTIVE \\
        -o floorplan.in
    PYTHONPATH=build/python python3 examples/cosim.py examples/chip.dat floorplan.in

writes cosim.png: each core's temperature and power over time.
"""
import argparse
import math
import sys

import calefax

CORES = ["core0", "core1", "core2", "core3"]
CLOCKS = [0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0]  # clock steps, fractions of the top clock
STATIC_W, DYNAMIC_W = 0.25, 2.75                # a busy core at the top clock: 3 W


def demand(core, t):
    """Share of the interval the core is busy at time t (s): a toy workload per core."""
    if core == "core0":
        return 0.6 + 0.3 * math.sin(2 * math.pi * t / 0.4)
    if core == "core1":
        return 0.9 if (t // 0.25) % 2 == 0 else 0.2
    if core == "core2":
        return 1.0 if 0.3 <= t < 1.5 else 0.3
    return 0.5


def core_power(busy, clock):
    """Watts of a core busy for the share busy at the clock fraction clock (power ~ f^3)."""
    return STATIC_W + DYNAMIC_W * busy * clock ** 3


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("data_file")
    p.add_argument("input_file", help="blocks of the floorplan (tools/calefax-floorplan)")
    p.add_argument("--intervals", type=int, default=400, help="number of intervals (400)")
    p.add_argument("--steps", type=int, default=5, help="time steps per interval (5)")
    p.add_argument("--limit", type=float, default=55.0, help="throttling temperature (55)")
    p.add_argument("--margin", type=float, default=2.0, help="cooling below limit (2)")
    p.add_argument("-o", "--output", default="cosim.png", help="plot file (cosim.png)")
    a = p.parse_args()

    try:
        chip = calefax.Model(a.data_file, a.input_file)
        for name, watts in (("cache", 0.4), ("uncore", 0.3)):
            chip.set_power(name, watts)
    except calefax.Error as e:
        sys.exit("cosim: error: %s" % e)
    level = {c: len(CLOCKS) - 1 for c in CORES}
    times, temps, powers = [], {c: [] for c in CORES}, {c: [] for c in CORES}
    throttled = {c: 0 for c in CORES}
    interval = a.steps * chip.dt
    for n in range(a.intervals):
        t = n * interval
        for c in CORES:
            watts = core_power(demand(c, t), CLOCKS[level[c]])
            chip.set_power(c, watts)
            powers[c].append(watts)
        chip.advance(a.steps)
        hot = chip.unit_temperatures()
        times.append(chip.time)
        for c in CORES:
            tmax = hot[c][0]
            temps[c].append(tmax)
            if tmax > a.limit and level[c] > 0:
                level[c] -= 1
            elif tmax < a.limit - a.margin and level[c] < len(CLOCKS) - 1:
                level[c] += 1
            throttled[c] += level[c] < len(CLOCKS) - 1
    e = chip.energy()
    print("cosim: %d intervals of %g s; energy %.6g J injected, %.6g J by watts x time"
          % (a.intervals, interval, e["injected"], e["expected"]))
    for c in CORES:
        print("  %s  hottest %.2f, throttled in %d intervals" % (c, max(temps[c]), throttled[c]))

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, (top, bottom) = plt.subplots(2, 1, sharex=True, figsize=(8, 6))
    for c in CORES:
        top.plot(times, temps[c], label=c)
        bottom.step(times, powers[c], where="pre", label=c)
    top.axhline(a.limit, color="grey", linestyle="--", linewidth=0.8, label="limit")
    top.set_ylabel("hottest node (°C)")
    bottom.set_ylabel("power (W)")
    bottom.set_xlabel("time (s)")
    top.legend(loc="upper right", fontsize="small")
    top.set_title("Throttling cores of the example chip")
    fig.tight_layout()
    fig.savefig(a.output, dpi=100)
    print("cosim: wrote %s" % a.output)


if __name__ == "__main__":
    main()
