// app/options.cpp: parse_options and the --help text
#include "app/options.h"

#include "app/fatal.h"
#include "model/field_io.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace
{

void usage()
{
    std::cout << "Please enter: Calefax data_file input_file " << std::endl;
    std::cout << "Please try again :)" << std::endl;
}

void help()
{
    std::cout
        << "Usage: Calefax [options] data_file input_file\n"
           "\n"
           "Advances the temperature of the chip of data_file, with the blocks of input_file,\n"
           "by the Douglas-Gunn ADI scheme, and writes the probe history\n"
           "(Calefax_transient.txt) and the cut planes named in data_file.\n"
           "Options may stand before or after the file names.\n"
           "\n"
           "  --steady       compute the steady state directly (no time steps): write the cut\n"
           "                 planes, Calefax_steady.txt (the probe) and --field, print the\n"
           "                 residual per iteration and the balance of power in and heat out;\n"
           "                 with --power, of each unit's mean power over the trace\n"
           "  --from-steady  start the transient run from the steady state of its first power\n"
           "                 (the trace's first line, or the input file's) instead of T_amb\n"
           "  --power TRACE  power trace: a line of unit (block) names, then one line per\n"
           "                 interval with the watts of each unit; also writes the units file\n"
           "  --interval SECONDS  the trace's interval, a whole number of steps (default dt)\n"
           "  --steps N      run N steps instead of the data file's n_steps\n"
           "  --unit-temps FILE  write each unit's max and mean temperature to FILE (CSV)\n"
           "                 at time 0 and after every interval (every step without --power);\n"
           "                 with --power the default is Calefax_units.csv\n"
           "  --field FILE   write the whole field at the end of the run: FILE.npy (NumPy,\n"
           "                 shape (nx+1, ny+1, nz+1)) or FILE.vti (VTK ImageData, ParaView)\n"
           "  --field-every N  also write it every N steps, as FILE_000N.npy (or .vti)\n"
           "  --energy       print the energy audit at the end of the run: energy injected,\n"
           "                 stored and lost through the faces, and their imbalance\n"
           "  --threads N    solve the lines of each sweep on N threads (default: every core the\n"
           "                 process may use; 1: one thread); the results are the same to the\n"
           "                 bit for every N\n"
           "  --legacy-rows  give nodes the rows of the older assignment (their place in the\n"
           "                 last block covering them, base material on the faces); it does\n"
           "                 not conserve energy where blocks touch each other or a face, and\n"
           "                 is kept only to compare with results stored before\n"
           "  --help         print this text and exit\n";
}

// v as a whole number in lo..hi.
bool whole_number(const char* v, long lo, long hi, long& n)
{
    char* end = nullptr;
    n = strtol(v, &end, 10);
    return *v != '\0' && *end == '\0' && n >= lo && n <= hi;
}

// The value of an option that takes one, checked; returns false after an error line.
bool take_value(const std::string& opt, const char* v, Options& o)
{
    auto refuse = [&](const char* what)
    {
        report_error(opt + " takes " + what + ", not '" + v + "'");
        return false;
    };
    long n = 0;
    if (opt == "--field")
    {
        std::string error;
        if (!check_field_path(v, error))
        {
            report_error(error);
            return false;
        }
        o.field = v;
    }
    else if (opt == "--field-every")
    {
        if (!whole_number(v, 1, 1000000000, n))
            return refuse("a whole number of steps from 1");
        o.field_every = (int)n;
    }
    else if (opt == "--threads")
    {
        if (!whole_number(v, 1, 4096, n))
            return refuse("a whole number of threads from 1 to 4096");
        o.threads = (int)n;
    }
    else if (opt == "--power")
        o.trace = v;
    else if (opt == "--unit-temps")
        o.unit_temps = v;
    else if (opt == "--interval")
    {
        char* end = nullptr;
        o.interval = strtod(v, &end);
        if (*v == '\0' || *end != '\0' || !std::isfinite(o.interval) || o.interval <= 0.0)
            return refuse("a time in seconds above 0");
    }
    else // --steps
    {
        if (!whole_number(v, 0, 1000000000, n))
            return refuse("a whole number of steps from 0");
        o.steps = n;
    }
    return true;
}

} // namespace

int parse_options(int argc, char** argv, Options& o)
{
    static const char* const valued[] = {"--field",    "--field-every", "--power",  "--unit-temps",
                                         "--interval", "--steps",       "--threads"};
    for (int a = 1; a < argc; a++)
    {
        const std::string arg = argv[a];
        bool takes_value = false;
        for (const char* v : valued)
            takes_value = takes_value || arg == v;
        if (arg == "--")
        {
            for (a++; a < argc; a++)
                o.files.push_back(argv[a]);
            break;
        }
        if (arg == "--help")
        {
            help();
            return 0;
        }
        else if (arg == "--legacy-rows")
            o.legacy = true;
        else if (arg == "--energy")
            o.energy = true;
        else if (steady_option(arg.c_str(), o.steady))
            continue;
        else if (takes_value)
        {
            if (a + 1 >= argc || *argv[a + 1] == '\0')
            {
                report_error(arg + " needs a value");
                return 2;
            }
            if (!take_value(arg, argv[++a], o))
                return 2;
        }
        else if (arg.compare(0, 2, "--") == 0)
        {
            report_error("unknown option '" + arg + "' (see Calefax --help)");
            return 2;
        }
        else
            o.files.push_back(argv[a]);
    }
    const char* clash = o.field_every > 0 && !o.field  ? "--field-every needs --field FILE"
                        : o.interval > 0.0 && !o.trace ? "--interval needs --power TRACE"
                        : o.trace && o.legacy ? "--power needs the cell rows, not --legacy-rows"
                                              : nullptr;
    if (clash)
    {
        report_error(clash);
        return 2;
    }
    if (o.files.size() != 2)
    {
        usage();
        return 2;
    }
    return -1;
}
