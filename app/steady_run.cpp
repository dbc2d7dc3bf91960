// app/steady_run.cpp: --steady and --from-steady: solve, report, write the steady results
#include "app/steady_run.h"

#include "adi/TSdg.h"
#include "adi/TSdg_steady.h"
#include "adi/Workload.h"
#include "app/fatal.h"
#include "model/field_io.h"

#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

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

int run_steady(TSdg& s, SteadyMode mode, adi::Workload* units)
{
    if (mode == STEADY_ONLY && !s.outputs_inside_grid())
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
    s.write_cut_planes(failed);
    std::string units_error;
    if (units && !units->steady_row(s, units_error))
        failed.push_back(units->units_file());
    std::string field_error;
    if (!s.field_file.empty() && !write_field(s.field_file.c_str(), s.T[0][0], s.nx, s.ny, s.nz,
                                              s.dx, s.dy, s.dz, field_error))
        failed.push_back(s.field_file);
    std::cout << "The mesh size is:  " << s.nx + 1 << "X" << s.ny + 1 << "X" << s.nz + 1
              << std::endl;
    std::cout << "Done!" << std::endl;
    return report_unwritten(failed);
}
