// adi/TSdg_convection.cpp: the transient ADI run with convective faces, its cut planes and result
// file
#include "adi/TSdg.h"

#include "adi/Stepper.h"
#include "adi/Workload.h"
#include "app/fatal.h"
#include "model/field_io.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace
{

// Writes a cut plane of field T into its file: one line per row, each value followed by a tab.
// Returns false when the file could not be created or written.
bool write_cut(double*** T, char axis, int p, const char* name, int nx, int ny, int nz)
{
    std::ofstream f(name);
    if (!f)
        return false;
    switch (axis)
    {
    case 'x':
    case 'X':
        for (int k = 0; k <= nz; k++)
        {
            for (int j = 0; j <= ny; j++)
                f << T[p][j][k] << "\t";
            f << std::endl;
        }
        break;
    case 'y':
    case 'Y':
        for (int k = 0; k <= nz; k++)
        {
            for (int i = 0; i <= nx; i++)
                f << T[i][p][k] << "\t";
            f << std::endl;
        }
        break;
    case 'z':
    case 'Z':
        for (int j = 0; j <= ny; j++)
        {
            for (int i = 0; i <= nx; i++)
                f << T[i][j][p] << "\t";
            f << std::endl;
        }
        break;
    default:
        std::cout << "The cut plane must be x, y, or z!\n";
        break;
    }
    f.close();
    return !f.fail();
}

} // namespace

void TSdg::write_cut_planes(std::vector<std::string>& failed)
{
    for (int c = 0; c < n_cuts; c++)
        if (!write_cut(T, cut_axis[c], cut_index[c], cut_file[c], nx, ny, nz))
            failed.push_back(cut_file[c]);
}

int TSdg::Dauglas_Gunn_Convection()
{
    if (!outputs_inside_grid())
        return 1;

    // ---- set-up ------------------------------------------------------------------------------
    // The rows, the sweeps (which solve the independent lines of a plane side by side) with the
    // per-node source, and the audit are made here, outside the timed loop; a grid whose work
    // space cannot be had is refused before the result file is opened, so an earlier one stays.
    std::unique_ptr<adi::Stepper> made;
    try
    {
        made.reset(new adi::Stepper(*this));
    }
    catch (const std::bad_alloc&)
    {
        report_error("a grid of " + std::to_string(n_nodes) +
                     " nodes: not enough memory for the work space of the sweeps");
        return 1;
    }
    adi::Stepper& stepper = *made;
    // The result file's first line goes out now and each step's line as it is made, so that a
    // run that is stopped keeps what it computed.
    std::ofstream out("Calefax_transient.txt");
    out << "\\" << nx + 1 << "X" << ny + 1 << "X" << nz + 1 << std::endl;
    std::string workload_error;
    if (workload && !workload->begin(*this, stepper.sweeps(), stepper.audit(), workload_error))
    {
        out.close();
        report_error(workload_error);
        return 1;
    }
    int diverged = -1;
    double t0 = second();

    for (int step = 0; step < n_steps; step++)
    {
        if (workload)
            workload->before_step(step, stepper.sweeps(), stepper.audit());
        bool sound = stepper.step(energy_audit);
        if (workload)
            workload->after_step(step, *this);
        std::cout << "Iteration = " << step << std::endl;
        out << step + 1 << "      " << T[probe_x][probe_y][probe_z] << std::endl;
        if (field_every > 0 && (step + 1) % field_every == 0)
        {
            std::string error;
            std::string name = numbered_field_path(field_file, step + 1);
            if (!write_field(name.c_str(), T[0][0], nx, ny, nz, dx, dy, dz, error))
            {
                out.close();
                report_error(error);
                return 1;
            }
        }
        if (!sound)
        {
            diverged = step;
            break;
        }
    }
    double t1 = second();
    if (diverged >= 0)
    {
        out.close();
        report_error(stepper.divergence(diverged));
        return 1;
    }

    // ---- cut planes, result file, report -----------------------------------------------------
    std::vector<std::string> failed;
    write_cut_planes(failed);
    std::string field_error;
    if (!field_file.empty() &&
        !write_field(field_file.c_str(), T[0][0], nx, ny, nz, dx, dy, dz, field_error))
        failed.push_back(field_file);

    std::cout << "The mesh size is:  " << nx + 1 << "X" << ny + 1 << "X" << nz + 1 << std::endl;
    std::cout << "Done!" << std::endl;
    std::cout << "\n\nRun time of the Calefax Simulator is...  " << t1 - t0 << " seconds"
              << std::endl;
    if (energy_audit)
        stepper.audit().report(std::cout);
    if (energy_audit && workload)
        workload->report(std::cout, stepper.audit());
    if (workload && !workload->finish(workload_error))
        failed.push_back(workload->units_file());
    out.close();
    if (out.fail())
        failed.insert(failed.begin(), "Calefax_transient.txt");
    return report_unwritten(failed);
}
