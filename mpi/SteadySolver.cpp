// mpi/SteadySolver.cpp: refusals, the Krylov solve with its progress lines, and the final check
#include "mpi/SteadySolver.h"

#include <cmath>
#include <sstream>

namespace dist
{

namespace
{

struct Progress
{
    std::ostream* out;
    int done;      // iterations of the restarts before
    double b_norm; // ||b||_2
};

PetscErrorCode monitor(KSP, PetscInt it, PetscReal rnorm, void* ctx)
{
    Progress* p = (Progress*)ctx;
    if (it > 0 && p->out)
        *p->out << "Steady iteration " << p->done + it << ": relative residual "
                << rnorm / p->b_norm << std::endl;
    return 0;
}

// Why there is no steady state, or empty.
std::string refusal(const Operator& op)
{
    const TS3D& m = op.model();
    bool all_zero = true;
    for (int f = 0; f < 6; f++)
        all_zero = all_zero && m.h[f] == 0.0;
    long long nodes = 0;
    double sum = 0.0;
    op.powered_nodes(!all_zero, nodes, sum);
    if (nodes == 0)
        return "";
    std::ostringstream w;
    w << "no steady state: " << nodes << " nodes with power (" << sum * m.dx * m.dy * m.dz
      << " W) have no heat path to the ambient ("
      << (all_zero ? "every face has h = 0"
                   : "material of zero conductivity cuts them off from the faces with h > 0")
      << ")";
    return w.str();
}

} // namespace

void default_solver(KSP ksp)
{
    KSPSetType(ksp, KSPCG);
    KSPSetTolerances(ksp, 1e-10, PETSC_DEFAULT, PETSC_DEFAULT, 400);
    PC pc;
    KSPGetPC(ksp, &pc);
#ifdef PETSC_HAVE_HYPRE
    PCSetType(pc, PCHYPRE);
    PCHYPRESetType(pc, "boomeramg");
    static const char* const amg[][2] = {{"-pc_hypre_boomeramg_coarsen_type", "HMIS"},
                                         {"-pc_hypre_boomeramg_interp_type", "ext+i"},
                                         {"-pc_hypre_boomeramg_P_max", "4"},
                                         {"-pc_hypre_boomeramg_strong_threshold", "0.5"}};
    for (const auto& o : amg)
    {
        PetscBool given = PETSC_FALSE;
        PetscOptionsHasName(nullptr, nullptr, o[0], &given);
        if (!given)
            PetscOptionsSetValue(nullptr, o[0], o[1]);
    }
#else
    PCSetType(pc, PCGAMG);
#endif
}

SteadyOutcome SteadySolver::solve(Vec u, std::ostream* progress)
{
    SteadyOutcome res;
    res.error = refusal(op);
    if (!res.error.empty())
        return res;
    res.power_in = op.power_in();
    DM da = op.dm();
    Vec b, r;
    DMCreateGlobalVector(da, &b);
    VecDuplicate(b, &r);
    op.source(b);
    PetscReal b_norm = 0.0;
    VecNorm(b, NORM_2, &b_norm);
    VecSet(u, 0.0);
    Mat A;
    DMCreateMatrix(da, &A);
    op.assemble(A, 0.0, true);

    KSP ksp;
    KSPCreate(PetscObjectComm((PetscObject)da), &ksp);
    KSPSetOperators(ksp, A, A);
    default_solver(ksp);
    Progress p = {progress, 0, b_norm};
    KSPMonitorSet(ksp, monitor, &p, nullptr);
    KSPSetFromOptions(ksp);
    KSPType kt;
    PCType pt;
    KSPGetType(ksp, &kt);
    PC pc;
    KSPGetPC(ksp, &pc);
    PCGetType(pc, &pt);
    // the progress lines and the stopping test on ||b - A u|| itself, unless asked otherwise
    PetscBool norm_given = PETSC_FALSE;
    PetscOptionsHasName(nullptr, nullptr, "-ksp_norm_type", &norm_given);
    if (!norm_given && std::string(kt) == KSPCG)
        KSPSetNormType(ksp, KSP_NORM_UNPRECONDITIONED);
    res.method = std::string(kt) + ", preconditioner " + pt;
    PetscReal rtol, atol, dtol;
    PetscInt max_it;
    KSPGetTolerances(ksp, &rtol, &atol, &dtol, &max_it);
    res.tolerance = rtol;

    double rel = 0.0;
    if (b_norm > 0.0)
        for (int restart = 0; restart < 5 && res.iterations < max_it; restart++)
        {
            KSPSetInitialGuessNonzero(ksp, restart > 0 ? PETSC_TRUE : PETSC_FALSE);
            KSPSolve(ksp, b, u);
            PetscInt its = 0;
            KSPGetIterationNumber(ksp, &its);
            res.iterations += (int)its;
            p.done = res.iterations;
            MatMult(A, u, r);
            VecAYPX(r, -1.0, b); // r = b - A u
            PetscReal r_norm = 0.0;
            VecNorm(r, NORM_2, &r_norm);
            rel = r_norm / b_norm;
            KSPConvergedReason reason;
            KSPGetConvergedReason(ksp, &reason);
            if (!std::isfinite(rel) || rel <= rtol || reason < 0)
                break;
        }
    res.residual = rel;
    res.heat_out = op.heat_out(u);
    KSPDestroy(&ksp);
    MatDestroy(&A);
    VecDestroy(&b);
    VecDestroy(&r);
    if (!std::isfinite(rel))
        res.error = "the steady iteration broke down (the residual is not finite)";
    else if (rel > rtol)
    {
        std::ostringstream w;
        w << "the steady state did not converge: relative residual " << rel << " after "
          << res.iterations << " iterations (tolerance " << rtol << ")";
        res.error = w.str();
    }
    else
        res.converged = true;
    return res;
}

} // namespace dist
