// app/main.cpp: the command-line simulator: Calefax [options] data_file input_file
#include "adi/TSdg.h"
#include "app/fatal.h"
#include "app/steady_run.h"
#include "model/field_io.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
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
                 "  --steady       compute the steady state directly (no time steps): write the cut\n"
                 "                 planes, Calefax_steady.txt (the probe) and --field, print the\n"
                 "                 residual per iteration and the balance of power in and heat out\n"
                 "  --from-steady  start the transient run from the steady state instead of T_amb\n"
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
    SteadyMode steady = STEADY_NONE;
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
        else if (steady_option(arg, steady))
            continue;
        else if (strcmp(arg, "--legacy-rows") == 0)
            legacy = true;
        else if (strcmp(arg, "--energy") == 0)
            energy = true;
        else if (strcmp(arg, "--field") == 0 || strcmp(arg, "--field-every") == 0)
        {
            if (a + 1 >= argc)
            {
                report_error(std::string(arg) + " needs a value");
                return 2;
            }
            const char* v = argv[++a];
            if (arg[7] == '\0')
            {
                std::string error;
                if (!check_field_path(v, error))
                {
                    report_error(error);
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
                    report_error(std::string("--field-every takes a whole number of steps "
                                             "from 1, not '") + v + "'");
                    return 2;
                }
                field_every = (int)n;
            }
        }
        else if (strncmp(arg, "--", 2) == 0)
        {
            report_error(std::string("unknown option '") + arg + "' (see Calefax --help)");
            return 2;
        }
        else
            files.push_back(arg);
    }
    if (field_every > 0 && !field)
    {
        report_error("--field-every needs --field FILE");
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
    if (steady != STEADY_NONE)
    {
        int status = run_steady(solver, steady);
        if (status != 0 || steady == STEADY_ONLY)
            return status;
    }
    return solver.Dauglas_Gunn_Convection();
}
