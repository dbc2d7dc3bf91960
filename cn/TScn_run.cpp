// cn/TScn_run.cpp: the skeleton both Crank-Nicolson runs share: set-up, factor, time loop, report
#include "cn/TScn.h"

#include "app/fatal.h"
#include "model/run_report.h"

#include <fstream>
#include <iostream>
#include <string>

int TScn::Crank_Nicolson(int method, int steps, int px, int py, int pz)
{
    return run(false, method, steps, px, py, pz);
}

int TScn::Crank_Nicolson_Convection(int method, int steps, int px, int py, int pz)
{
    return run(true, method, steps, px, py, pz);
}

int TScn::run(bool convective, int method, int steps, int px, int py, int pz)
{
    const char* name = convective ? "Crank_Nicolson_Convection" : "Crank_Nicolson";
    const char* file = convective ? "Crank_Nicolson_Conv.txt" : "Crank_Nicolson.txt";
    if (!run_accepted(name, steps, px, py, pz))
        return 1;

    // ---- set-up: blocks (rejected before any file is touched), rows, A and the first rhs -----
    std::string error;
    if (!read_geometry(error))
    {
        report_error(error);
        return 1;
    }
    for (int l = 0; l < n_layers; l++)
        Build_CN_C(layers[l]);
    Build_cell_rows(coef);
    if (convective)
    {
        Build_BC();
        Build_face_rows();
    }
    double* work = new double[n_nodes];
    double* T_new = new double[n_nodes];
    double* hist = new double[steps];
    int* perm = nullptr;
    double* x_perm = nullptr;
    std::ofstream out(file);
    if (convective)
        assemble_convective();
    else
        assemble_fixed();

    // ---- factor once; the timed part is the factor and the time loop -----------------------
    double t0 = second();
    bool factored = make_factor(name, method, perm, x_perm);
    if (factored)
    {
        if (convective && (method < 1 || method > 3))
            solve_step(method, perm, x_perm, T_new, work); // writes the menu once before the loop
        // T_new starts as T: PCG's first start vector, and what an unknown method keeps.
        for (int n = 0; n < n_nodes; n++)
            T_new[n] = T[n];

        for (int step = 0; step < steps; step++)
        {
            solve_step(method, perm, x_perm, T_new, work);
            // rhs += (C - K)*(T_new - T); the sources stay as they are
            for (int n = 0; n < n_nodes; n++)
                work[n] = T_new[n] - T[n];
            if (convective)
                advance_convective(work);
            else
                advance_fixed(work);
            for (int n = 0; n < n_nodes; n++)
                T[n] = T_new[n];
            hist[step] = T[node(px, py, pz)];
            if (convective)
                std::cout << "Iteration = " << step << std::endl;
        }
    }
    double t1 = second();

    // ---- report and release --------------------------------------------------------------
    if (factored)
        write_probe_report(out, "Crank_Nicolson", nx, ny, nz, t1 - t0, px, py, pz, hist, steps);
    out.close();
    release_factor(perm, x_perm);
    delete[] work;
    delete[] T_new;
    delete[] hist;
    if (!factored)
        return 1;
    if (out.fail())
    {
        report_error(std::string(file) + ": cannot create or write the result file");
        return 1;
    }
    return 0;
}
