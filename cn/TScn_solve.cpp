// cn/TScn_solve.cpp: what both Crank-Nicolson runs share: argument checks, the factor of each
// solution method, the solve of one step, the method menu, the report and the release
#include "cn/TScn.h"

#include "app/fatal.h"
#include "iterative/PCG.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace
{

// The menu written instead of a solve when the method is not 1, 2 or 3.
void write_menu()
{
    std::cout << "=========================================" << std::endl;
    std::cout << "  Please choose method 1 or 2" << std::endl;
    std::cout << "  Method=1  =>  Cholesky--MMD " << std::endl;
    std::cout << "  Method=2  =>  Cholesky" << std::endl;
    std::cout << "  Method=3  =>  Iterative Cholesky" << std::endl;
    std::cout << "=========================================" << std::endl;
}

// One error line "RUN: WHAT" on standard error, after what standard output holds.
void run_error(const char* run, const std::string& what)
{
    std::cout.flush();
    report_error(std::string(run) + ": " + what);
}

} // namespace

bool TScn::run_accepted(const char* run, int steps, int px, int py, int pz)
{
    if (A == nullptr)
    {
        run_error(run, "this solver object has already run; a TScn serves one run");
        return false;
    }
    if (steps < 0)
    {
        run_error(run, "the number of steps is negative (" + std::to_string(steps) + ")");
        return false;
    }
    if (px < 0 || px > nx || py < 0 || py > ny || pz < 0 || pz > nz)
    {
        run_error(run, "recorded node (" + std::to_string(px) + ", " + std::to_string(py) + ", " +
                           std::to_string(pz) + ") lies outside the grid of " +
                           std::to_string(nx + 1) + "X" + std::to_string(ny + 1) + "X" +
                           std::to_string(nz + 1) + " nodes");
        return false;
    }
    return true;
}

// Method 1: perm[new] = old by minimum degree, A_perm(t, u) = A(perm[t], perm[u]), L of A_perm;
// A is no longer needed once the factor exists. Method 2: L of A. Method 3: threshold factor of
// A, entries below 1e-4 dropped; A stays for PCG's products.
bool TScn::make_factor(const char* run, int method, int*& perm, double*& x_perm)
{
    if (method == 1)
    {
        rhs_perm = new double[n_nodes];
        x_perm = new double[n_nodes];
        for (int t = 0; t < n_nodes; t++)
            rhs_perm[t] = x_perm[t] = 0.0;
        perm = createVectorI(A->n);
        A->MMD(perm);
        A_perm = A->permute(perm);
        if (A_perm == nullptr)
        {
            run_error(run, "the minimum-degree order is not a permutation; no step is made");
            return false;
        }
        L = A_perm->cholesky();
        if (L != nullptr)
        {
            delete A;
            A = nullptr;
        }
    }
    else if (method == 2)
        L = A->cholesky();
    else if (method == 3)
        L = A->cholesky_th(0.0001);
    else
        return true;

    if (L == nullptr)
    {
        run_error(run, "the system matrix is not positive definite; no step is made");
        return false;
    }
    return true;
}

void TScn::solve_step(int method, const int* perm, double* x_perm, double* T_new, double* work)
{
    switch (method)
    {
    case 1:
        for (int t = 0; t < n_nodes; t++)
            rhs_perm[t] = rhs[perm[t]];
        L->solveLUxb(x_perm, rhs_perm, work);
        for (int t = 0; t < n_nodes; t++)
            T_new[perm[t]] = x_perm[t];
        break;
    case 2:
        L->solveLUxb(T_new, rhs, work);
        break;
    case 3:
        PCG(T_new, A, L, rhs, 1e-10, 1000);
        break;
    default:
        write_menu();
        break;
    }
}

void TScn::release_factor(int*& perm, double*& x_perm)
{
    free(perm);
    perm = nullptr;
    delete A_perm;
    A_perm = nullptr;
    delete[] x_perm;
    x_perm = nullptr;
    delete[] rhs_perm;
    rhs_perm = nullptr;
    delete A;
    A = nullptr;
    delete L;
    L = nullptr;
}
