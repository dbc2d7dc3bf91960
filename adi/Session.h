// adi/Session.h: a model loaded by a program that advances it a few steps at a time and changes
// its power in between (the Python module); every rejection is handed back
#ifndef ADI_SESSION_H
#define ADI_SESSION_H

#include "adi/Stepper.h"
#include "adi/TSdg.h"
#include "adi/TSdg_steady.h"
#include "model/Units.h"
#include "model/blocks.h"

#include <memory>
#include <string>
#include <vector>

namespace adi
{

// The convection run of the command line, cut into calls: the same model, rows and steps, so that
// advancing a loaded model n_steps steps gives the field, the probe history and the cut planes of
// `Calefax data_file input_file` to the bit, and giving units watts before the steps of each
// interval gives those of the run with --power.
//
// Power: every block has a density (W/m^3), at first its input file's. Giving a unit W watts gives
// each of its blocks the density W/V, V the volume of the cells the unit owns (model/Units.h), as
// --power does, so the unit injects exactly W. The nodes' power follows at the next step or
// steady state; the coefficient rows never change.
//
// The energy account counts each step's injection, what the field stores and what the faces lose
// (adi/TSdg_audit.h), beside watts x time: the sum over the steps of the blocks' densities times
// the volumes of their cells times dt.
class Session
{
public:
    // Reads the data file and the input file and makes the model at T_amb. Nothing ends the
    // program: null with error set to the message of the command line's error line (without its
    // prefix) on a file that cannot be read, a bad item or record, a layer not in the table, a
    // block outside the grid, or a grid too large for the machine.
    static std::unique_ptr<Session> load(const char* data_file, const char* input_file,
                                         std::string& error);

    TSdg& solver() { return *s; }
    const TSdg& solver() const { return *s; }
    const std::vector<BlockRecord>& blocks() const { return records; }
    const Units& units() const { return *unit_set; }
    const std::string& input_file() const { return input; }

    // ---- power -------------------------------------------------------------------------------
    double block_density(size_t b) const { return density[b]; }
    // The power of block b and of unit u, W: density times the volume of the cells they own.
    double block_watts(size_t b) const;
    double unit_watts(size_t u) const;
    // Unit name gets watts W. Refuses a name that is no block's, a unit that owns no cell and a
    // power that is negative or not finite.
    bool set_unit_watts(const std::string& name, double watts, std::string& error);
    // Block b (input file order, from 0) gets density q (W/m^3); refuses an index outside the
    // blocks and a density that is not finite.
    bool set_block_density(size_t b, double q, std::string& error);

    // ---- steps -------------------------------------------------------------------------------
    // n steps (n >= 0); the probe's temperature after each joins the history. Returns false with
    // the command line's line when the field diverges (the history then ends with that step).
    bool advance(long n, std::string& error);
    long steps() const { return made; }
    const std::vector<double>& probe_history() const { return history; }

    // ---- results -----------------------------------------------------------------------------
    // Largest and mean temperature over the nodes of unit u's cells (NaN for a unit without any).
    void unit_temperature(size_t u, double& max, double& mean) const;
    // The steady state of the power as it stands into the field (adi/TSdg_steady.h); the energy
    // account starts again from the field it leaves.
    SteadyResult steady(const SteadyOptions& o = SteadyOptions());
    // Writes the data file's cut planes of the field as the command line does, named as there
    // (relative to the working directory); false with "FILE: cannot create or write the result
    // file" for the first that failed.
    bool write_cut_planes(std::string& error);

    // ---- energy account, J -----------------------------------------------------------------
    double injected_joules() const;
    double expected_joules() const { return expected; } // watts x time
    double imbalance() const;                           // (injected - stored - lost)/injected

private:
    Session() = default;
    void apply_power(); // the densities into the node power when they changed
    Stepper& stepper();

    std::unique_ptr<TSdg> s;
    std::string input;
    std::vector<BlockRecord> records;
    std::unique_ptr<Units> unit_set;
    std::vector<double> density; // per block, W/m^3
    double watts = 0.0;          // of all blocks
    bool changed = false;        // density changed since the node power was made
    std::unique_ptr<Stepper> step_state;
    long made = 0;
    std::vector<double> history;
    double expected = 0.0;
};

} // namespace adi

#endif
