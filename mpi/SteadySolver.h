// mpi/SteadySolver.h: the steady state of a distributed run by a PETSc Krylov solver
#ifndef MPI_STEADYSOLVER_H
#define MPI_STEADYSOLVER_H

#include "mpi/Operator.h"

#include <petscksp.h>

#include <ostream>
#include <string>

namespace dist
{

// The Krylov method both runs start from: conjugate gradients, rtol 1e-10, at most 400
// iterations, preconditioned by hypre's BoomerAMG with the coarsening usual for 3D problems
// (HMIS, ext+i interpolation, at most 4 entries per row of P, strong threshold 0.5) when PETSc
// has hypre, else GAMG. Options given in the database (-pc_type, -pc_hypre_boomeramg_..., ...)
// win when KSPSetFromOptions is called after.
void default_solver(KSP ksp);

struct SteadyOutcome
{
    bool converged = false;
    int iterations = 0;    // Krylov iterations, all restarts together
    double residual = 0.0; // ||b - A u||_2 / ||b||_2 reached, A and b as in Operator
    double tolerance = 0.0;
    double power_in = 0.0; // W
    double heat_out = 0.0; // W, convection through the faces at the steady state
    std::string method;    // the Krylov method and preconditioner used
    std::string error;     // why there is no steady state; empty when converged
    double balance() const { return power_in != 0.0 ? (power_in - heat_out) / power_in : 0.0; }
};

// A u = b solved by conjugate gradients with an algebraic multigrid preconditioner (hypre's
// BoomerAMG when PETSc has it, else GAMG) to a relative residual of 1e-10 in the 2-norm, from
// u = 0, at most 400 iterations; the PETSc options database (-ksp_type, -pc_type, -ksp_rtol,
// -ksp_max_it, -ksp_monitor, ...) overrides each choice. The residual is checked from the matrix
// at the end and the solve restarted from what it reached (at most 4 times) when the recurrence
// drifted from it.
//
// Refused before solving, as the single-machine steady state refuses them: power while every face
// has h = 0, and power in nodes every cell round which has zero conductivity. Nodes of that kind
// without power keep T_amb. (A group of several conducting nodes sealed off from the faces by
// material of zero conductivity is not found before solving: with power the solve does not
// converge and says so.)
class SteadySolver
{
public:
    explicit SteadySolver(const Operator& op) : op(op) {}
    // Solves into u (a global vector of the operator's DMDA); progress: one line per iteration,
    // written by rank 0 when not null. Collective.
    SteadyOutcome solve(Vec u, std::ostream* progress);

private:
    const Operator& op;
};

} // namespace dist

#endif
