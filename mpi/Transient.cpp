// mpi/Transient.cpp: the Crank-Nicolson matrix, right-hand side and solve
#include "mpi/Transient.h"

#include "mpi/SteadySolver.h"

#include <cmath>
#include <sstream>

namespace dist
{

Transient::Transient(const Operator& op)
{
    DM da = op.dm();
    DMCreateMatrix(da, &K);
    op.assemble(K, 1.0, false);
    DMCreateGlobalVector(da, &cap2);
    VecDuplicate(cap2, &S);
    VecDuplicate(cap2, &w);
    VecDuplicate(cap2, &rhs);
    op.capacity(cap2);
    VecScale(cap2, 2.0);
    op.source(S);
    VecScale(S, 2.0); // S = 2b

    KSPCreate(PetscObjectComm((PetscObject)da), &ksp);
    KSPSetOperators(ksp, K, K);
    default_solver(ksp);
    KSPSetFromOptions(ksp);
    KSPSetInitialGuessNonzero(ksp, PETSC_TRUE);
    KSPSetReusePreconditioner(ksp, PETSC_TRUE);
}

Transient::~Transient()
{
    KSPDestroy(&ksp);
    MatDestroy(&K);
    VecDestroy(&cap2);
    VecDestroy(&S);
    VecDestroy(&w);
    VecDestroy(&rhs);
}

std::string Transient::method() const
{
    KSPType kt;
    PCType pt;
    PC pc;
    KSPGetType(ksp, &kt);
    KSPGetPC(ksp, &pc);
    PCGetType(pc, &pt);
    return std::string(kt) + ", preconditioner " + pt;
}

bool Transient::step(Vec u, std::string& error)
{
    // (cap - A) u + S = 2 cap u - (cap + A) u + S
    MatMult(K, u, w);
    VecPointwiseMult(rhs, cap2, u);
    VecAXPY(rhs, -1.0, w);
    VecAXPY(rhs, 1.0, S);
    KSPSolve(ksp, rhs, u);
    steps++;
    PetscInt its = 0;
    KSPGetIterationNumber(ksp, &its);
    total_its += its;
    KSPConvergedReason reason;
    KSPGetConvergedReason(ksp, &reason);
    PetscReal norm = 0.0;
    VecNorm(u, NORM_INFINITY, &norm);
    if (reason < 0 || !std::isfinite(norm))
    {
        std::ostringstream e;
        e << "the Crank-Nicolson solve of step " << steps - 1 << " failed ("
          << KSPConvergedReasons[reason] << " after " << its << " iterations"
          << (std::isfinite(norm) ? "" : ", the field is not finite") << ")";
        error = e.str();
        return false;
    }
    return true;
}

} // namespace dist
