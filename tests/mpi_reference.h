// tests/mpi_reference.h: a distributed run beside the single-machine ADI run of the same files,
// compared node by node on each process's own nodes (the reference holds the whole field on every
// process; only the comparison does)
#ifndef TESTS_MPI_REFERENCE_H
#define TESTS_MPI_REFERENCE_H

#include "adi/TSdg.h"
#include "adi/TSdg_steady.h"
#include "adi/TSdg_sweeps.h"
#include "mpi/Operator.h"
#include "mpi/SteadySolver.h"
#include "mpi/Transient.h"
#include "tests/test_util.h"

#include <algorithm>
#include <cmath>
#include <string>

// Largest |difference| of the distributed field u from the reference T - T_amb, and the largest
// |T - T_amb| of the reference, over the whole grid (reductions).
struct FieldDifference
{
    double diff = 0.0, scale = 0.0;
    int iterations = 0;    // Krylov iterations
    double balance = 0.0;  // steady state: (power in - heat out)/power in
    std::string error;     // the distributed run's refusal or failure, if any
    std::string adi_error; // the reference's
    double relative() const { return scale > 0.0 ? diff / scale : diff; }
};

// Both engines on the files, unless the distributed reader refuses them (the reason in d.error):
// reference(s, d) on the single-machine model, its geometry read quietly; then distributed(op, u,
// d) with u a global vector of the grid, and the two fields compared when it returns true.
template <class Reference, class Distributed>
FieldDifference run_both(const char* data, const char* input, MPI_Comm comm, Reference reference,
                         Distributed distributed)
{
    FieldDifference d;
    dist::Inputs in;
    if (!dist::read_inputs(comm, data, input, in, d.error))
        return d;
    TSdg s(data);
    {
        CoutCapture quiet;
        s.read_geometry(input);
    }
    reference(s, d);
    DM da = dist::make_grid(*in.model, comm);
    {
        dist::Operator op(in, da);
        Vec u;
        DMCreateGlobalVector(da, &u);
        if (distributed(op, u, d))
        {
            const PetscScalar*** f;
            DMDAVecGetArrayRead(op.dm(), u, &f);
            const NodeBox& b = op.own();
            double diff = 0.0, scale = 0.0;
            for (int i = b.lo[0]; i <= b.hi[0]; i++)
                for (int j = b.lo[1]; j <= b.hi[1]; j++)
                    for (int k = b.lo[2]; k <= b.hi[2]; k++)
                    {
                        const double ref = s.T[i][j][k] - s.T_amb;
                        diff = std::max(diff, std::fabs(f[k][j][i] - ref));
                        scale = std::max(scale, std::fabs(ref));
                    }
            DMDAVecRestoreArrayRead(op.dm(), u, &f);
            MPI_Allreduce(&diff, &d.diff, 1, MPI_DOUBLE, MPI_MAX, comm);
            MPI_Allreduce(&scale, &d.scale, 1, MPI_DOUBLE, MPI_MAX, comm);
        }
        VecDestroy(&u);
    }
    DMDestroy(&da);
    return d;
}

// The steady state of both engines.
inline FieldDifference steady_difference(const char* data, const char* input, MPI_Comm comm)
{
    bool ref_converged = false;
    return run_both(
        data, input, comm,
        [&](TSdg& s, FieldDifference& d)
        {
            adi::SteadyResult ref = adi::solve_steady(s);
            d.adi_error = ref.error;
            ref_converged = ref.converged;
        },
        [&](const dist::Operator& op, Vec u, FieldDifference& d)
        {
            dist::SteadyOutcome r = dist::SteadySolver(op).solve(u, nullptr);
            d.error = r.error;
            d.iterations = r.iterations;
            d.balance = r.balance();
            return r.converged && ref_converged;
        });
}

// n_steps of both engines from T_amb (the data file's dt): ADI sweeps and Crank-Nicolson steps.
inline FieldDifference transient_difference(const char* data, const char* input, int n_steps,
                                            MPI_Comm comm)
{
    return run_both(
        data, input, comm,
        [&](TSdg& s, FieldDifference&)
        {
            for (int l = 0; l < s.n_layers; l++)
                s.Build_DG_C(s.layers[l]);
            s.Build_cell_rows(s.coef);
            s.Build_BC();
            s.Build_face_rows();
            adi::Sweeps sweeps(s);
            const double tau = (s.rho * s.cp * pow(s.dx, 2.0)) / (s.k * s.dt);
            for (int step = 0; step < n_steps; step++)
                sweeps.step(tau);
        },
        [&](const dist::Operator& op, Vec u, FieldDifference& d)
        {
            VecSet(u, 0.0);
            dist::Transient cn(op);
            for (int step = 0; step < n_steps && d.error.empty(); step++)
                cn.step(u, d.error);
            d.iterations = (int)cn.iterations();
            return true;
        });
}

#endif
