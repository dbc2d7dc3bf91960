// bench/bench_steady.cpp: the steady solve on layered chips, as a multiple of one transient step
#include "adi/TSdg.h"
#include "adi/TSdg_steady.h"
#include "adi/TSdg_sweeps.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

// A 10 mm x 10 mm die on side x side x 50 nodes, dz = 10 um: a silicon substrate (k 131, planes
// 0..30), a thin active layer (150, 30..31) with a 1 W/mm^2-class background and three hot
// blocks, a metal stack of a dielectric (k 1, 31..33) and wiring (120, 33..35), and a copper
// spreader (398, 35..49); h = 1e4 W/(m^2 K) on top, 10 on the five other faces.
std::unique_ptr<TSdg> layered_chip(int side)
{
    char dir[] = "/tmp/calefax-bench-XXXXXX";
    if (!mkdtemp(dir))
        return nullptr;
    const std::string data = std::string(dir) + "/chip.dat", input = std::string(dir) + "/chip.in";
    const int n = side - 1;
    {
        std::ofstream f(data);
        f << "0\n" << n << " " << n << " 49\n" << 0.01 / n << " " << 0.01 / n << " 1e-5\n";
        f << "1e-4\n25.0\n10 10 10 10 1e4 10\n"
             "SI 131 2329 700\nPOLY 30 2330 700\nACTIVE 150 2400 800\nDIEL 1.0 2200 730\n"
             "M1 120 4500 560\nM2 120 4500 560\nM3 120 4500 560\nM4 120 4500 560\n"
             "AL 237 2700 900\nCU 398 8960 385\nSI\n"
          << n / 2 << " " << n / 2 << " 30\n0\n";
        std::ofstream g(input);
        g << "active 0 0 30 " << n << " " << n << " 31 ACTIVE 1e9\n"
          << "core0 " << n / 10 << " " << n / 10 << " 30 " << 3 * n / 10 << " " << 3 * n / 10
          << " 31 ACTIVE 1e11\n"
          << "core1 " << 5 * n / 10 << " " << n / 10 << " 30 " << 7 * n / 10 << " " << 3 * n / 10
          << " 31 ACTIVE 1e11\n"
          << "cache " << n / 10 << " " << 5 * n / 10 << " 30 " << 9 * n / 10 << " " << 8 * n / 10
          << " 31 ACTIVE 2e10\n"
          << "diel 0 0 31 " << n << " " << n << " 33 DIEL 0\n"
          << "wires 0 0 33 " << n << " " << n << " 35 M1 0\n"
          << "spreader 0 0 35 " << n << " " << n << " 49 CU 0\n";
    }
    std::unique_ptr<TSdg> s(new TSdg(data.c_str()));
    s->read_geometry(input.c_str());
    remove(data.c_str());
    remove(input.c_str());
    rmdir(dir);
    return s;
}

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Each iteration of the benchmark is one whole steady solve (operator, multigrid levels, CG).
// Counters: the iterations and the relative residual reached, the balance, and the solve's time
// over the best time of one transient step of the same model (rows built as the run builds them).
void BM_SteadyLayered(benchmark::State& state)
{
    std::unique_ptr<TSdg> s = layered_chip((int)state.range(0));
    if (!s)
    {
        state.SkipWithError("no scratch folder");
        return;
    }
    adi::SteadyResult r;
    for (auto _ : state)
    {
        r = adi::solve_steady(*s);
        benchmark::DoNotOptimize(s->T[0][0][0]);
    }
    if (!r.converged)
    {
        state.SkipWithError(r.error.c_str());
        return;
    }
    auto t0 = std::chrono::steady_clock::now();
    adi::solve_steady(*s);
    const double t_solve = seconds_since(t0);
    adi::Sweeps sweeps(*s);
    const double tau = (s->rho * s->cp * std::pow(s->dx, 2.0)) / (s->k * s->dt);
    double t_step = 1e30;
    for (int rep = 0; rep < 5; rep++)
    {
        t0 = std::chrono::steady_clock::now();
        sweeps.step(tau);
        t_step = std::min(t_step, seconds_since(t0));
    }
    state.counters["nodes"] = (double)s->n_nodes;
    state.counters["cg_iterations"] = r.iterations;
    state.counters["residual"] = r.residual;
    state.counters["balance"] = r.balance();
    state.counters["step_ms"] = t_step * 1e3;
    state.counters["step_equivalents"] = t_solve / t_step;
}

BENCHMARK(BM_SteadyLayered)
    ->Arg(45)  // 101,250 nodes
    ->Arg(141) // 994,050 nodes
    ->Arg(200) // 2,000,000 nodes
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false);

} // namespace
