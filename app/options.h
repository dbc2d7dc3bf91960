// app/options.h: the command line of Calefax: options (before or after the files) and the files
#ifndef APP_OPTIONS_H
#define APP_OPTIONS_H

#include "app/steady_run.h"

#include <vector>

// What the command line asks for.
struct Options
{
    std::vector<const char*> files;   // data_file and input_file
    bool legacy = false;              // --legacy-rows
    bool energy = false;              // --energy
    const char* field = nullptr;      // --field FILE
    int field_every = 0;              // --field-every N
    SteadyMode steady = STEADY_NONE;  // --steady, --from-steady
    const char* trace = nullptr;      // --power TRACE
    const char* unit_temps = nullptr; // --unit-temps FILE
    double interval = 0.0;            // --interval SECONDS; 0: dt
    long steps = -1;                  // --steps N; -1: the data file's n_steps
    int threads = 0;                  // --threads N; 0: every core the process may use
};

// Reads argv into o. Returns -1 when the run goes on; otherwise the exit status: 0 after --help
// (printed on standard output), 2 after one error line (an unknown option, a missing or bad
// value, options that do not go together, a wrong number of files: the usage lines).
int parse_options(int argc, char** argv, Options& o);

#endif
