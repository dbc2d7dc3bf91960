// adi/TSdg_steady.h: the steady state of the convection run's model, solved directly
#ifndef ADI_TSDG_STEADY_H
#define ADI_TSDG_STEADY_H

#include "adi/TSdg.h"
#include "adi/TSdg_multigrid.h"

#include <ostream>
#include <string>
#include <vector>

namespace adi
{

// The steady state is the fixed point of the convection run's step, for every dt: with
// T1 = T2 = T3 = T the time terms of the z sweep (TSdg_equations.h) cancel and each node's
// equation reads, halved,
//   sum over its links of w*(T_q - T) - conv*(T - T_amb) + S/2 = 0,
// with the links w of the node's own row (inner rows: w_xm..w_zp and w_diag*(1 + ry + rz) for
// their sum; face rows: b_xm..b_zp and b_share*(b_dx + b_dy + b_dz) for the links' sum plus conv),
// and S/2 = ((q0*dx)*dx)/k from the node's power density q0 (TSdg::power). In u = T - T_amb these
// are A u = S/2, A the matrix of the stencil below. Because a link's weight is the same in the
// rows of its two nodes (the cell rules, model/cells.h) A is symmetric, and with a heat path from
// every node to a face with h > 0 it is positive definite; so conjugate gradients apply,
// preconditioned by the line multigrid cycle (TSdg_multigrid.h).
//
// The residual reported is the relative residual of these node equations in the 2-norm:
//   ||S/2 - A u||_2 / ||S/2||_2,
// with A applied from the nodes' own rows (so also any asymmetry of the rows is measured). The
// solve stops when it is at most the tolerance (1e-10 by default).
struct SteadyResult
{
    bool converged = false; // s.T holds the steady state
    int iterations = 0;     // conjugate-gradient iterations (preconditioner cycles)
    double residual = 0.0;  // relative residual reached
    double power_in = 0.0;  // W: power of the cells
    double heat_out = 0.0;  // W: convection through the six faces at the steady state
    std::string error; // why there is no steady state, or what was reached; empty when converged
    // (power_in - heat_out)/power_in; 0 without power
    double balance() const { return power_in != 0.0 ? (power_in - heat_out) / power_in : 0.0; }
};

struct SteadyOptions
{
    double tolerance = 1e-10; // on the relative residual above
    int max_iterations = 400;
    std::ostream* progress = nullptr; // one line per iteration when set
};

class Steady
{
public:
    // Builds s's rows as the convection run does (Build_DG_C of every layer, Build_cell_rows,
    // Build_BC, Build_face_rows) and the operator from them and from s.power. s's blocks must be
    // read; s must outlive the object.
    explicit Steady(TSdg& s);

    // Refusals found before any iteration: rows of the older assignment (not conservative, so
    // not symmetric), or power in nodes with no heat path to the ambient. Empty when solvable.
    const std::string& refusal() const { return refused; }

    // Solves into s.T; on failure s.T is left at what was reached (or unchanged when refused).
    SteadyResult solve(const SteadyOptions& o = SteadyOptions());

    // The node equations' residual S/2 - A(T - T_amb) at the field T (flat, a node field's
    // shape), from the nodes' own rows, into r; returns its 2-norm.
    double residual(const double* T, double* r) const;
    // ||S/2||_2, the residual at T = T_amb.
    double source_norm() const { return b_norm; }
    // Power of the cells and convection through the faces at field T, W.
    double power_in() const;
    double heat_out(const double* T) const;

    const Stencil& op() const { return A; }

private:
    TSdg& s;
    Stencil A;               // symmetric operator from the +x, +y, +z links of each node's row
    std::vector<double> b;   // S/2
    std::vector<char> fixed; // nodes held at T_amb: no heat path, no power
    double b_norm = 0.0;
    std::string refused;

    struct Row
    {
        double w[6]; // links to -x, -y, -z, +x, +y, +z
        double diag;
    };
    Row row(int i, int j, int k) const;
    void check_heat_path();
};

// Steady state of s into s.T (Steady(s).solve(o)); the refusal, when there is one, as the result's
// error. Works from s.power as it is, so a caller may set any per-node power before.
SteadyResult solve_steady(TSdg& s, const SteadyOptions& o = SteadyOptions());

} // namespace adi

#endif
