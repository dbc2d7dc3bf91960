// app/main.cpp: the command-line simulator: Calefax [options] data_file input_file
#include "adi/TSdg.h"
#include "adi/Workload.h"
#include "app/fatal.h"
#include "app/options.h"
#include "app/steady_run.h"

#include <iostream>
#include <memory>
#include <string>

// Checks the command line, prints the banner, then one transient ADI run with convective faces
// (the model from the data file, the blocks from the input file), or the steady state. Exit
// status 0; 1 when an input is rejected, the run diverges or a result file cannot be written; 2
// for a wrong command line.
int main(int argc, char** argv)
{
    Options o;
    int status = parse_options(argc, argv, o);
    if (status >= 0)
        return status;
    std::cout << std::string(60, '*') << std::endl;
    std::cout << "*" << std::string(20, ' ') << "3D Calefax Simulator" << std::string(18, ' ')
              << "*" << std::endl;
    std::cout << "*   Transient temperature of integrated circuits by ADI    *" << std::endl;
    std::cout << "*" << std::string(58, ' ') << "*" << std::endl;
    std::cout << "*" << std::string(58, ' ') << "*" << std::endl;
    std::cout << std::string(60, '*') << std::endl;

    TSdg solver(o.files[0]);
    solver.legacy_rows = o.legacy;
    solver.energy_audit = o.energy;
    solver.field_file = o.field ? o.field : "";
    solver.field_every = o.field_every;
    solver.threads = o.threads;
    solver.read_geometry(o.files[1]);
    if (o.steps >= 0)
        solver.n_steps = (int)o.steps;

    // ---- workload: the trace and the units file, checked before any result file is opened ----
    std::unique_ptr<adi::Workload> workload;
    if (o.trace || o.unit_temps)
    {
        std::string error;
        workload = adi::Workload::load(solver, o.files[1], o.trace, o.interval,
                                       o.unit_temps ? o.unit_temps : "Calefax_units.csv", error);
        if (!workload)
            input_error(error.c_str());
        solver.workload = workload.get();
    }

    // ---- the steady state: the result, or the start of the transient run -------------------
    if (o.steady != STEADY_NONE)
    {
        if (workload)
            workload->steady_power(solver, o.steady == STEADY_ONLY);
        status = run_steady(solver, o.steady, o.steady == STEADY_ONLY ? workload.get() : nullptr);
        if (status != 0 || o.steady == STEADY_ONLY)
            return status;
    }
    return solver.Dauglas_Gunn_Convection();
}
