// adi/Workload.cpp: a power trace applied to the convection run; the units file's rows
#include "adi/Workload.h"

#include "adi/TSdg_audit.h"
#include "adi/TSdg_sweeps.h"
#include "app/fatal.h"

#include <cmath>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace adi
{

namespace
{

std::string seconds(double t)
{
    std::ostringstream s;
    s << std::setprecision(12) << t << " s";
    return s.str();
}

// Steps per interval, or 0 with error naming the nearest valid intervals.
int whole_steps(double interval, double dt, std::string& error)
{
    double n = std::floor(interval / dt + 0.5);
    if (n >= 1.0 && n <= 1e9 && std::fabs(n * dt - interval) <= 1e-9 * interval)
        return (int)n;
    std::ostringstream e;
    e << "--interval " << seconds(interval)
      << " is not a whole number of steps of dt = " << seconds(dt);
    double below = std::floor(interval / dt), above = std::ceil(interval / dt);
    if (below < 1.0)
        e << ": the shortest interval is " << seconds(dt);
    else if (above > 1e9)
        e << ": at most 1e9 steps";
    else
        e << ": the nearest valid intervals are " << seconds(below * dt) << " and "
          << seconds(above * dt);
    error = e.str();
    return 0;
}

} // namespace

Workload::Workload(const TSdg& s, const std::vector<BlockRecord>& blocks)
    : units(s.nx, s.ny, s.nz, s.dx, s.dy, s.dz, blocks), dt(s.dt), n_steps(s.n_steps)
{
}

std::unique_ptr<Workload> Workload::load(const TSdg& s, const char* input_file,
                                         const char* trace_file, double interval,
                                         const std::string& units_file, std::string& error)
{
    const std::vector<BlockRecord>& blocks = s.records;
    for (const BlockRecord& b : blocks)
    {
        if (b.name.find_first_of(",\"") != std::string::npos)
        {
            error = std::string(input_file) + ":" + std::to_string(b.line) + ": block name '" +
                    b.name + "' holds a comma or a quote, which cannot head a CSV column";
            return nullptr;
        }
    }
    std::unique_ptr<Workload> w(new Workload(s, blocks));
    w->units_path = units_file;
    if (trace_file)
    {
        w->traced = true;
        w->interval_steps = whole_steps(interval > 0.0 ? interval : s.dt, s.dt, error);
        if (w->interval_steps == 0)
            return nullptr;
        if (!w->trace.read_file(trace_file, error) ||
            !w->units.bind(w->trace, trace_file, w->column_unit, error))
            return nullptr;
        w->units.watch(w->column_unit);
        w->other = w->units.other_watts(w->column_unit);
        double covered = (double)w->trace.intervals() * w->interval_steps;
        if (covered < (double)s.n_steps)
            warning(std::string(trace_file) + ": the trace's " +
                    std::to_string(w->trace.intervals()) + " intervals end at " +
                    seconds(covered * s.dt) + ", before the run's " + std::to_string(s.n_steps) +
                    " steps (" + seconds(s.n_steps * s.dt) + "): its last line holds from then on");
    }
    for (size_t u = 0; u < w->units.size(); u++)
        if (w->units.cells(u) == 0)
            warning(std::string(input_file) + ":" +
                    std::to_string(blocks[(size_t)w->units.blocks_of(u)[0]].line) + ": unit '" +
                    w->units.name(u) + "' owns no cell (later blocks cover its blocks): its " +
                    "columns in " + units_file + " are nan");
    return w;
}

void Workload::apply(size_t r, Sweeps& sweeps, Audit& audit)
{
    const double* watts = trace.row(r);
    units.densities(column_unit, watts, density);
    units.node_powers(density, [&](ptrdiff_t p, double q0) { sweeps.set_power(p, q0); });
    audit.source_changed(sweeps.source());
    watts_now = other;
    for (size_t c = 0; c < column_unit.size(); c++)
        watts_now += watts[c];
}

bool Workload::begin(TSdg& s, Sweeps& sweeps, Audit& audit, std::string& error)
{
    if (traced)
        apply(0, sweeps, audit);
    if (!temps.open(units_path, units, error))
        return false;
    temps.row(0.0, s.T[0][0]);
    return true;
}

void Workload::before_step(int step, Sweeps& sweeps, Audit& audit)
{
    if (traced && step > 0 && step % interval_steps == 0)
    {
        size_t r = (size_t)(step / interval_steps);
        if (r < trace.intervals())
            apply(r, sweeps, audit);
    }
    expected += watts_now * dt;
}

void Workload::after_step(int step, const TSdg& s)
{
    if ((step + 1) % interval_steps == 0 || step + 1 == n_steps)
        temps.row((step + 1) * dt, s.T[0][0]);
}

bool Workload::finish(std::string& error)
{
    return temps.close(error);
}

void Workload::report(std::ostream& out, const Audit& audit) const
{
    if (!traced)
        return;
    std::ios::fmtflags f = out.flags();
    std::streamsize p = out.precision();
    double injected = audit.injected_joules();
    out << std::setprecision(12);
    out << "Trace energy (watts x time):  " << expected << " J" << std::endl;
    out << std::setprecision(3);
    out << "Injected against the trace:   "
        << (expected != 0.0 ? (injected - expected) / expected : injected) << std::endl;
    out.flags(f);
    out.precision(p);
}

void Workload::steady_power(TSdg& s, bool mean)
{
    if (!traced)
        return;
    const size_t n = column_unit.size();
    std::vector<double> watts(trace.row(0), trace.row(0) + n);
    if (mean)
    {
        // the mean of each column over the lines, summed line by line, then divided once
        for (size_t r = 1; r < trace.intervals(); r++)
            for (size_t c = 0; c < n; c++)
                watts[c] = watts[c] + trace.row(r)[c];
        for (size_t c = 0; c < n; c++)
            watts[c] = watts[c] / (double)trace.intervals();
    }
    units.densities(column_unit, watts.data(), density);
    double* power = s.power[0][0];
    units.node_powers(density, [&](ptrdiff_t p, double q0) { power[p] = q0; });
}

bool Workload::steady_row(const TSdg& s, std::string& error)
{
    if (!temps.open(units_path, units, error))
        return false;
    temps.row(0.0, s.T[0][0]);
    return temps.close(error);
}

} // namespace adi
