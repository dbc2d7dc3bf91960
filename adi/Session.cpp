// adi/Session.cpp: loading with every rejection handed back; power, steps and results on call
#include "adi/Session.h"

#include "model/datafile.h"
#include "model/text_file.h"

#include <cmath>
#include <new>
#include <sstream>

namespace adi
{

std::unique_ptr<Session> Session::load(const char* data_file, const char* input_file,
                                       std::string& error)
{
    DataFile d;
    if (!read_data_file(data_file, d, error) || !TSdg::fits_in_memory(d.nx, d.ny, d.nz, error))
        return nullptr;
    std::unique_ptr<Session> m(new Session());
    try
    {
        m->s.reset(new TSdg(d, data_file));
    }
    catch (const std::bad_alloc&)
    {
        error = "a grid of " +
                std::to_string(((size_t)d.nx + 1) * ((size_t)d.ny + 1) * ((size_t)d.nz + 1)) +
                " nodes is too large to allocate";
        return nullptr;
    }
    std::string text;
    if (!read_text_file(input_file, "input", text, error))
        return nullptr;
    std::istringstream in(text);
    if (!m->s->read_geometry(in, input_file, error))
        return nullptr;
    m->records = m->s->records;
    const TSdg& s = *m->s;
    m->input = input_file;
    m->unit_set.reset(new Units(s.nx, s.ny, s.nz, s.dx, s.dy, s.dz, m->records));
    std::vector<int> all(m->unit_set->size());
    for (size_t u = 0; u < all.size(); u++)
        all[u] = (int)u;
    m->unit_set->watch(all);
    for (const BlockRecord& b : m->records)
        m->density.push_back(b.power);
    for (size_t b = 0; b < m->records.size(); b++)
        m->watts += m->block_watts(b);
    return m;
}

double Session::block_watts(size_t b) const
{
    const TSdg& m = *s;
    return density[b] * ((double)unit_set->block_cells_owned(b) * (m.dx * m.dy * m.dz));
}

double Session::unit_watts(size_t u) const
{
    double w = 0.0;
    for (int b : unit_set->blocks_of(u))
        w += block_watts((size_t)b);
    return w;
}

bool Session::set_unit_watts(const std::string& name, double w, std::string& error)
{
    int u = unit_set->find(name);
    std::ostringstream e;
    if (u < 0)
        e << "unit '" << name << "' is not the name of a block of " << input;
    else if (unit_set->cells((size_t)u) == 0)
        e << "unit '" << name << "' owns no cell: later blocks cover every cell of its blocks";
    else if (!std::isfinite(w))
        e << "power " << w << " W of unit '" << name << "' is not a finite power";
    else if (w < 0.0)
        e << "power " << w << " W of unit '" << name << "' is negative";
    else
        e << unit_set->density_overflow((size_t)u, w);
    if (!e.str().empty())
    {
        error = e.str();
        return false;
    }
    double q = unit_set->density((size_t)u, w);
    for (int b : unit_set->blocks_of((size_t)u))
        density[(size_t)b] = q;
    changed = true;
    return true;
}

bool Session::set_block_density(size_t b, double q, std::string& error)
{
    std::ostringstream e;
    if (b >= records.size())
        e << "block " << b << " is not a block of " << input << " (blocks 0.."
          << (long)records.size() - 1 << ")";
    else if (!std::isfinite(q))
        e << "power density " << q << " W/m^3 of block '" << records[b].name
          << "' is not a finite power density";
    if (!e.str().empty())
    {
        error = e.str();
        return false;
    }
    density[b] = q;
    changed = true;
    return true;
}

// The node power from the densities, as --power makes it between intervals: only the nodes that
// touch a block's cells, each the mean density of its cells (Units::node_powers).
void Session::apply_power()
{
    if (!changed)
        return;
    changed = false;
    watts = 0.0;
    for (size_t b = 0; b < records.size(); b++)
        watts += block_watts(b);
    if (step_state)
    {
        Sweeps& sw = step_state->sweeps();
        unit_set->node_powers(density, [&](ptrdiff_t p, double q0) { sw.set_power(p, q0); });
        step_state->audit().source_changed(sw.source());
    }
    else
    {
        double* power = s->power[0][0];
        unit_set->node_powers(density, [&](ptrdiff_t p, double q0) { power[p] = q0; });
    }
}

Stepper& Session::stepper()
{
    if (!step_state)
        step_state.reset(new Stepper(*s));
    return *step_state;
}

bool Session::advance(long n, std::string& error)
{
    if (n < 0)
    {
        error = "the number of steps must not be negative, not " + std::to_string(n);
        return false;
    }
    Stepper& st = stepper();
    apply_power();
    const TSdg& m = *s;
    const double* probe = &m.T[m.probe_x][m.probe_y][m.probe_z];
    history.reserve(history.size() + (size_t)n);
    for (long i = 0; i < n; i++)
    {
        expected += watts * m.dt;
        bool sound = st.step(true);
        history.push_back(*probe);
        if (!sound)
        {
            error = st.divergence((int)made++);
            return false;
        }
        made++;
    }
    return true;
}

void Session::unit_temperature(size_t u, double& max, double& mean) const
{
    const std::vector<int>& nodes = unit_set->nodes(u);
    const double* T = s->T[0][0];
    double hi = NAN, sum = 0.0;
    for (size_t p = 0; p < nodes.size(); p++)
    {
        double v = T[nodes[p]];
        hi = p == 0 || v > hi ? v : hi;
        sum += v;
    }
    max = hi;
    mean = nodes.empty() ? NAN : sum / (double)nodes.size();
}

SteadyResult Session::steady(const SteadyOptions& o)
{
    apply_power();
    SteadyResult r = solve_steady(*s, o);
    if (step_state)
        step_state->restart_audit();
    expected = 0.0;
    return r;
}

bool Session::write_cut_planes(std::string& error)
{
    std::vector<std::string> failed;
    s->write_cut_planes(failed);
    if (failed.empty())
        return true;
    error = failed[0] + ": cannot create or write the result file";
    return false;
}

double Session::injected_joules() const
{
    return step_state ? step_state->audit().injected_joules() : 0.0;
}

double Session::imbalance() const
{
    return step_state ? step_state->audit().imbalance() : 0.0;
}

} // namespace adi
