// app/steady_run.h: the steady-state options of the Calefax command
#ifndef APP_STEADY_RUN_H
#define APP_STEADY_RUN_H

class TSdg;
namespace adi
{
class Workload;
}

// What the steady options ask for.
enum SteadyMode
{
    STEADY_NONE, // a transient run from T_amb
    STEADY_ONLY, // --steady: the steady state and its result files, no time steps
    STEADY_START // --from-steady: the transient run starts from the steady state
};

// Takes arg when it is --steady or --from-steady and sets mode; false for any other argument.
bool steady_option(const char* arg, SteadyMode& mode);

// The steady state of solver (blocks read) from its node power: progress and energy balance on
// standard output; for STEADY_ONLY also the cut planes, Calefax_steady.txt (mesh line, the probe's
// steady temperature), the field file, when one is set, and the units file of units (not null:
// one row, at time 0, of the steady field). Returns the exit status: 0, or 1 when there is no
// steady state, it was not reached or a result file could not be written (one error line each;
// no result file is touched unless the steady state was reached).
int run_steady(TSdg& solver, SteadyMode mode, adi::Workload* units = nullptr);

#endif
