// app/main.cpp: the command-line simulator: Calefax [options] data_file input_file
#include "adi/TSdg.h"
#include "adi/Workload.h"
#include "app/fatal.h"
#include "model/field_io.h"

#include <cstdlib>
#include <cstring>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{

void usage()
{
    std::cout << "Please enter: Calefax data_file input_file " << std::endl;
    std::cout << "Please try again :)" << std::endl;
}

void help()
{
    std::cout << "Usage: Calefax [options] data_file input_file\n"
                 "\n"
                 "Advances the temperature of the chip of data_file, with the blocks of input_file,\n"
                 "by the Douglas-Gunn ADI scheme, and writes the probe history\n"
                 "(Calefax_transient.txt) and the cut planes named in data_file.\n"
                 "Options may stand before or after the file names.\n"
                 "\n"
                 "  --field FILE   write the whole field at the end of the run: FILE.npy (NumPy,\n"
                 "                 shape (nx+1, ny+1, nz+1)) or FILE.vti (VTK ImageData, ParaView)\n"
                 "  --field-every N  also write it every N steps, as FILE_000N.npy (or .vti)\n"
                 "  --energy       print the energy audit at the end of the run: energy injected,\n"
                 "                 stored and lost through the faces, and their imbalance\n"
                 "  --legacy-rows  give nodes the rows of the older assignment (their place in the\n"
                 "                 last block covering them, base material on the faces); it does\n"
                 "                 not conserve energy where blocks touch each other or a face, and\n"
                 "                 is kept only to compare with results stored before\n"
                 "  --power TRACE  power trace: a line of unit (block) names, then one line per\n"
                 "                 interval with the watts of each unit; also writes the units file\n"
                 "  --interval SECONDS  the trace's interval, a whole number of steps (default dt)\n"
                 "  --steps N      run N steps instead of the data file's n_steps\n"
                 "  --unit-temps FILE  write each unit's max and mean temperature to FILE (CSV)\n"
                 "                 at time 0 and after every interval (every step without --power);\n"
                 "                 with --power the default is Calefax_units.csv\n"
                 "  --help         print this text and exit\n";
}

} // namespace

// Checks the command line, prints the banner, then one transient ADI run with convective faces:
// the model from the data file, the blocks from the input file. Exit status 0; 1 when an input
// is rejected, the run diverges or a result file cannot be written; 2 for a wrong command line.
int main(int argc, char** argv)
{
    std::vector<const char*> files;
    bool legacy = false, energy = false;
    const char* field = nullptr;
    int field_every = 0;
    const char *trace = nullptr, *unit_temps = nullptr; // --power, --unit-temps
    double interval = 0.0;                              // --interval; 0: dt
    long steps = -1;                                    // --steps; -1: the data file's
    for (int a = 1; a < argc; a++)
    {
        const char* arg = argv[a];
        if (strcmp(arg, "--") == 0)
        {
            for (a++; a < argc; a++)
                files.push_back(argv[a]);
            break;
        }
        if (strcmp(arg, "--help") == 0)
        {
            help();
            return 0;
        }
        else if (strcmp(arg, "--legacy-rows") == 0)
            legacy = true;
        else if (strcmp(arg, "--energy") == 0)
            energy = true;
        else if (strcmp(arg, "--field") == 0 || strcmp(arg, "--field-every") == 0)
        {
            if (a + 1 >= argc)
            {
                std::cerr << "Calefax: error: " << arg << " needs a value" << std::endl;
                return 2;
            }
            const char* v = argv[++a];
            if (arg[7] == '\0')
            {
                std::string error;
                if (!check_field_path(v, error))
                {
                    std::cerr << "Calefax: error: " << error << std::endl;
                    return 2;
                }
                field = v;
            }
            else
            {
                char* end = nullptr;
                long n = strtol(v, &end, 10);
                if (*v == '\0' || *end != '\0' || n < 1 || n > 1000000000)
                {
                    std::cerr << "Calefax: error: --field-every takes a whole number of steps "
                                 "from 1, not '"
                              << v << "'" << std::endl;
                    return 2;
                }
                field_every = (int)n;
            }
        }
        else if (strcmp(arg, "--power") == 0 || strcmp(arg, "--unit-temps") == 0 ||
                 strcmp(arg, "--interval") == 0 || strcmp(arg, "--steps") == 0)
        {
            if (a + 1 >= argc || *argv[a + 1] == '\0')
            {
                std::cerr << "Calefax: error: " << arg << " needs a value" << std::endl;
                return 2;
            }
            const char* v = argv[++a];
            char* end = nullptr;
            if (arg[2] == 'p')
                trace = v;
            else if (arg[2] == 'u')
                unit_temps = v;
            else if (arg[2] == 'i' && (!std::isfinite(interval = strtod(v, &end)) ||
                                       *end != '\0' || interval <= 0.0))
            {
                std::cerr << "Calefax: error: --interval takes a time in seconds above 0, not '"
                          << v << "'" << std::endl;
                return 2;
            }
            else if (arg[2] == 's' && ((steps = strtol(v, &end, 10)) < 0 || *end != '\0' ||
                                       steps > 1000000000))
            {
                std::cerr << "Calefax: error: --steps takes a whole number of steps from 0, not '"
                          << v << "'" << std::endl;
                return 2;
            }
        }
        else if (strncmp(arg, "--", 2) == 0)
        {
            std::cerr << "Calefax: error: unknown option '" << arg << "' (see Calefax --help)"
                      << std::endl;
            return 2;
        }
        else
            files.push_back(arg);
    }
    if (field_every > 0 && !field)
    {
        std::cerr << "Calefax: error: --field-every needs --field FILE" << std::endl;
        return 2;
    }
    if ((interval > 0.0 && !trace) || (trace && legacy))
    {
        std::cerr << "Calefax: error: "
                  << (trace && legacy ? "--power needs the cell rows, not --legacy-rows"
                             : "--interval needs --power TRACE")
                  << std::endl;
        return 2;
    }
    if (files.size() != 2)
    {
        usage();
        return 2;
    }
    std::cout << std::string(60, '*') << std::endl;
    std::cout << "*" << std::string(20, ' ') << "3D Calefax Simulator" << std::string(18, ' ')
              << "*" << std::endl;
    std::cout << "*   Transient temperature of integrated circuits by ADI    *" << std::endl;
    std::cout << "*" << std::string(58, ' ') << "*" << std::endl;
    std::cout << "*" << std::string(58, ' ') << "*" << std::endl;
    std::cout << std::string(60, '*') << std::endl;

    TSdg solver(files[0]);
    solver.legacy_rows = legacy;
    solver.energy_audit = energy;
    solver.field_file = field ? field : "";
    solver.field_every = field_every;
    solver.read_geometry(files[1]);
    if (steps >= 0)
        solver.n_steps = (int)steps;
    std::unique_ptr<adi::Workload> workload;
    if (trace || unit_temps)
    {
        std::string error;
        workload = adi::Workload::load(solver, files[1], trace, interval,
                                       unit_temps ? unit_temps : "Calefax_units.csv", error);
        if (!workload)
            input_error(error.c_str());
        solver.workload = workload.get();
    }
    return solver.Dauglas_Gunn_Convection();
}
