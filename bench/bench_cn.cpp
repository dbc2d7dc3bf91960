// bench/bench_cn.cpp: one Crank-Nicolson step per solution method, and its factorisation, beside
// one ADI step, on grids of 20 x 20 x 20 and 40 x 40 x 20 nodes
//
// A run of either solver is one call from reading the blocks to writing the report; both
// convection runs print "Iteration = N" after every step. The console stream is replaced by a
// buffer that notes the process CPU time at which each such line ends, so one run of S steps gives
//   step       (t[S-1] - t[0]) / (S - 1): one solve (or three ADI sweeps) and the update of the
//              right-hand side; reported as the benchmark's (manual) time;
//   factor_s   (Crank-Nicolson) the run's own processor time of factor and loop, less S steps.
// Cases: CnStep with method 1 (minimum degree + Cholesky), 2 (Cholesky in the natural order)
// and 3 (PCG with the threshold factor), and AdiStep, each on both grids. The direct factors of
// the larger grid take seconds each (the natural-order factor holds about 25 million entries,
// 0.8 GB), so every case runs once. The chip: a copper block and a powered active block inside
// the grid.
#include "adi/TSdg.h"
#include "cn/TScn.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

double cpu_now()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

// Replaces std::cout's buffer while it lives; keeps the text and notes the CPU time at the end of
// every line that starts with "Iteration = ".
class StepClock : public std::streambuf
{
public:
    StepClock() : saved(std::cout.rdbuf(this)) {}
    ~StepClock() override { std::cout.rdbuf(saved); }
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

    std::vector<double> marks; // CPU time at the end of each "Iteration = " line
    std::string text;          // everything written

protected:
    int overflow(int c) override
    {
        if (c == traits_type::eof())
            return 0;
        text.push_back((char)c);
        if (c == '\n')
        {
            if (text.compare(line_start, 12, "Iteration = ") == 0)
                marks.push_back(cpu_now());
            line_start = text.size();
        }
        return c;
    }

private:
    std::streambuf* saved;
    size_t line_start = 0;
};

// A scratch directory that the runs write into while it lives.
class Scratch
{
public:
    Scratch()
    {
        char tmpl[] = "/tmp/calefax-bench-XXXXXX";
        path = mkdtemp(tmpl);
        char* here = getcwd(nullptr, 0);
        previous = here;
        free(here);
        if (chdir(path.c_str()) != 0)
            abort();
        std::ofstream("TSinput.txt") << "* chip\n"
                                        "copper 2 2 2 9 9 5 Cu_Bulk 0\n"
                                        "active 4 4 8 14 14 9 ACTIVE 1e15\n";
    }
    ~Scratch()
    {
        if (chdir(previous.c_str()) != 0)
            abort();
        std::string cmd = "rm -rf '" + path + "'";
        if (system(cmd.c_str()) != 0)
            abort();
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

private:
    std::string path, previous;
};

// Processor time that the run reports on its "Run time of Crank_Nicolson is...  X seconds" line.
double reported_seconds(const std::string& text)
{
    const std::string key = "Run time of Crank_Nicolson is...  ";
    size_t p = text.find(key);
    return p == std::string::npos ? 0.0 : atof(text.c_str() + p + key.size());
}

const int STEPS = 4;
const double DT = 1e-9;

// One convection run of STEPS steps: the ADI run when method is 0, else the Crank-Nicolson run
// with that method, on a grid of x, y, z nodes (args 0..2).
void run_case(benchmark::State& state, int method)
{
    int nx = (int)state.range(0) - 1, ny = (int)state.range(1) - 1, nz = (int)state.range(2) - 1;
    Scratch dir;
    double factor = 0.0;
    for (auto _ : state)
    {
        StepClock clock;
        int status;
        if (method == 0)
        {
            TSdg dg(nx, ny, nz, DT, 35.0);
            std::ifstream in("TSinput.txt");
            std::string error;
            dg.read_geometry(in, "TSinput.txt", error);
            dg.n_steps = STEPS;
            status = dg.Dauglas_Gunn_Convection();
        }
        else
        {
            TScn cn(nx, ny, nz, DT, 35.0);
            status = cn.Crank_Nicolson_Convection(method, STEPS, 0, 0, 0);
        }
        if (status != 0 || clock.marks.size() != (size_t)STEPS)
        {
            state.SkipWithError("the run failed");
            break;
        }
        double step = (clock.marks[STEPS - 1] - clock.marks[0]) / (STEPS - 1);
        state.SetIterationTime(step);
        if (method != 0)
            factor = reported_seconds(clock.text) - STEPS * step;
    }
    if (method != 0)
        state.counters["factor_s"] = factor;
    state.counters["nodes"] = (double)(nx + 1) * (ny + 1) * (nz + 1);
}

// args: nodes along x, y, z, method
void CnStep(benchmark::State& state)
{
    run_case(state, (int)state.range(3));
}

// args: nodes along x, y, z
void AdiStep(benchmark::State& state)
{
    run_case(state, 0);
}

} // namespace

// Every case is a full run, so one iteration each.
BENCHMARK(CnStep)
    ->ArgNames({"x", "y", "z", "method"})
    ->ArgsProduct({{20}, {20}, {20}, {1, 2, 3}})
    ->Args({40, 40, 20, 1})
    ->Args({40, 40, 20, 2})
    ->Args({40, 40, 20, 3})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AdiStep)
    ->ArgNames({"x", "y", "z"})
    ->Args({20, 20, 20})
    ->Args({40, 40, 20})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
