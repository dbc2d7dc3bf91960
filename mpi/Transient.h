// mpi/Transient.h: Crank-Nicolson steps of a distributed run
#ifndef MPI_TRANSIENT_H
#define MPI_TRANSIENT_H

#include "mpi/Operator.h"

#include <petscksp.h>

#include <string>

namespace dist
{

// Each step solves (cap + A) u' = (cap - A) u + S (see Operator) with the model's dt: the
// Crank-Nicolson step that the ADI run's Douglas-Gunn sweeps approximate, second order in dt.
// The matrix is built once and the preconditioner set up once for all steps. Defaults: conjugate
// gradients with the same algebraic multigrid preconditioner as the steady state, from the last
// step's field, to a relative residual of 1e-10 of the right-hand side; the PETSc options database
// overrides them.
class Transient
{
public:
    explicit Transient(const Operator& op);
    ~Transient();
    Transient(const Transient&) = delete;
    Transient& operator=(const Transient&) = delete;

    // One step of u in place; false with error set when the linear solve failed or the field is
    // no longer finite. Collective.
    bool step(Vec u, std::string& error);

    long long iterations() const { return total_its; } // Krylov iterations of all steps
    std::string method() const;

private:
    Mat K;          // cap + A
    Vec cap2, S, w; // 2*cap, the source, work
    Vec rhs;
    KSP ksp;
    long long total_its = 0;
    int steps = 0;
};

} // namespace dist

#endif
