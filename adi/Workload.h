// adi/Workload.h: a power trace applied to the convection run, and the units file it writes
#ifndef ADI_WORKLOAD_H
#define ADI_WORKLOAD_H

#include "adi/TSdg.h"
#include "adi/UnitTemps.h"
#include "model/PowerTrace.h"
#include "model/Units.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace adi
{

class Sweeps;
class Audit;

// What a run does beside its steps when it has a power trace or a units file:
//   - at the first step of each interval, the trace's watts of that interval become the densities
//     of their units (model/Units.h); only the power and the source term of the nodes that touch
//     the units' cells change, never the coefficient rows. After the trace's last line, that
//     line holds;
//   - the units file gets a row at time 0 and at the end of every interval (every step without a
//     trace), and at the last step of the run.
// TSdg::Dauglas_Gunn_Convection calls begin, before_step, after_step and finish.
class Workload
{
public:
    // Takes the blocks that TSdg::read_geometry accepted from input_file (s.records; the name
    // labels messages) and, when trace_file is not null, reads the trace; interval (s) is the
    // trace's interval, dt when <= 0. Writes the units file to units_file. Everything is checked
    // here, before a result file is opened: returns null with error "FILE:LINE: ..." (or naming the
    // option) on a rejection. A trace shorter than the run is warned about.
    static std::unique_ptr<Workload> load(const TSdg& s, const char* input_file,
                                          const char* trace_file, double interval,
                                          const std::string& units_file, std::string& error);

    // Before the first step: interval 0's power, the units file's header and first row.
    bool begin(TSdg& s, Sweeps& sweeps, Audit& audit, std::string& error);
    // Before step step (from 0): a new interval's power when one begins.
    void before_step(int step, Sweeps& sweeps, Audit& audit);
    // After step step: the units file's row when an interval ends.
    void after_step(int step, const TSdg& s);
    // Closes the units file; false with error when it could not be written whole.
    bool finish(std::string& error);
    // With a trace: the energy that its watts (and the other blocks' power) put in over the steps
    // made, beside the energy the audit counted as injected.
    void report(std::ostream& out, const Audit& audit) const;

    // For a steady state: the node power of s (TSdg::power) for the trace's watts averaged over
    // its lines (mean) or for its first line; without a trace s is left as read.
    void steady_power(TSdg& s, bool mean);
    // The units file of a steady state: the header and one row, at time 0, of the field s.T.
    bool steady_row(const TSdg& s, std::string& error);

    int steps_per_interval() const { return interval_steps; }
    const std::string& units_file() const { return units_path; }

private:
    Workload(const TSdg& s, const std::vector<BlockRecord>& blocks);
    void apply(size_t r, Sweeps& sweeps, Audit& audit);

    Units units;
    PowerTrace trace;
    bool traced = false;
    std::vector<int> column_unit;
    std::vector<double> density;
    double other = 0.0;     // W of the blocks outside the trace
    double watts_now = 0.0; // W of the interval applied last
    double expected = 0.0;  // J of the steps made
    double dt = 0.0;
    int interval_steps = 1;
    int n_steps = 0;
    std::string units_path;
    UnitTemps temps;
};

} // namespace adi

#endif
