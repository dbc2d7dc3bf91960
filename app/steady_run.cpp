// app/steady_run.cpp: --steady and --from-steady: solve, report, write the steady results
#include "app/steady_run.h"

#include "adi/TSdg.h"
#include "adi/TSdg_steady.h"
#include "app/fatal.h"
#include "model/field_io.h"

#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

namespace
{

// Cut plane at index p of axis into name, in the layout of the transient run's cut-plane files:
// one line per z (x, y planes) or per y (z planes), each value followed by a tab.
bool write_plane(double*** T, char axis, int p, const char* name, int nx, int ny, int nz)
{
    std::ofstream f(name);
    if (!f)
        return false;
    const int a = (axis | 0x20) - 'x';
    const int rows = a == 2 ? ny : nz, cols = a == 0 ? ny : nx;
    for (int r = 0; r <= rows; r++)
    {
        for (int c = 0; c <= cols; c++)
            f << (a == 0 ? T[p][c][r] : a == 1 ? T[c][p][r] : T[c][r][p]) << "\t";
        f << std::endl;
    }
    f.close();
    return !f.fail();
}

// Every index that names a node must lie in the grid before anything is written.
bool outputs_inside(const TSdg& s)
{
    const int last[3] = {s.nx, s.ny, s.nz}, probe[3] = {s.probe_x, s.probe_y, s.probe_z};
    for (int a = 0; a < 3; a++)
        if (probe[a] < 0 || probe[a] > last[a])
        {
            report_error("probe node lies outside the grid");
            return false;
        }
    for (int c = 0; c < s.n_cuts; c++)
    {
        const int a = (s.cut_axis[c] | 0x20) - 'x';
        if (a < 0 || a > 2 || s.cut_index[c] < 0 || s.cut_index[c] > last[a])
        {
            report_error(std::string("cut plane ") + std::to_string(c + 1) + " (" + s.cut_file[c] +
                         ") lies outside the grid or has no axis x, y or z");
            return false;
        }
    }
    return true;
}

} // namespace

bool steady_option(const char* arg, SteadyMode& mode)
{
    if (strcmp(arg, "--steady") == 0)
        mode = STEADY_ONLY;
    else if (strcmp(arg, "--from-steady") == 0)
        mode = STEADY_START;
    else
        return false;
    return true;
}

int run_steady(TSdg& s, SteadyMode mode)
{
    if (mode == STEADY_ONLY && !outputs_inside(s))
        return 1;
    if (mode == STEADY_ONLY && s.field_every > 0)
        warning("--field-every counts time steps, and --steady makes none: only the --field file "
                "of the steady state is written");
    std::cout << "Steady state: conjugate gradients, line multigrid preconditioner" << std::endl;
    adi::SteadyOptions o;
    o.progress = &std::cout;
    double t0 = second();
    adi::SteadyResult r = adi::solve_steady(s, o);
    double t1 = second();
    if (!r.converged)
    {
        report_error(r.error);
        return 1;
    }
    std::ios::fmtflags f = std::cout.flags();
    std::streamsize p = std::cout.precision();
    std::cout << std::setprecision(12);
    std::cout << "Power in:                     " << r.power_in << " W" << std::endl;
    std::cout << "Heat out through the faces:   " << r.heat_out << " W" << std::endl;
    std::cout << std::setprecision(3);
    std::cout << "Balance (relative):           " << r.balance() << std::endl;
    std::cout << "Steady state after " << r.iterations << " iterations, relative residual "
              << r.residual << " (" << t1 - t0 << " s)" << std::endl;
    std::cout.flags(f);
    std::cout.precision(p);
    if (mode != STEADY_ONLY)
        return 0;

    std::vector<std::string> failed;
    {
        std::ofstream out("Calefax_steady.txt");
        out << "\\" << s.nx + 1 << "X" << s.ny + 1 << "X" << s.nz + 1 << std::endl;
        out << s.T[s.probe_x][s.probe_y][s.probe_z] << std::endl;
        out.close();
        if (out.fail())
            failed.push_back("Calefax_steady.txt");
    }
    for (int c = 0; c < s.n_cuts; c++)
        if (!write_plane(s.T, s.cut_axis[c], s.cut_index[c], s.cut_file[c], s.nx, s.ny, s.nz))
            failed.push_back(s.cut_file[c]);
    std::string field_error;
    if (!s.field_file.empty() && !write_field(s.field_file.c_str(), s.T[0][0], s.nx, s.ny, s.nz,
                                              s.dx, s.dy, s.dz, field_error))
        failed.push_back(s.field_file);
    std::cout << "The mesh size is:  " << s.nx + 1 << "X" << s.ny + 1 << "X" << s.nz + 1
              << std::endl;
    std::cout << "Done!" << std::endl;
    for (const std::string& name : failed)
        report_error(name + ": cannot create or write the result file");
    return failed.empty() ? 0 : 1;
}
