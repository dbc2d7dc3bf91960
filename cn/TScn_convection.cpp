// cn/TScn_convection.cpp: the Crank-Nicolson run with convective faces ("Crank_Nicolson_Conv.txt")
#include "cn/TScn.h"

#include "app/fatal.h"
#include "cn/TScn_rows.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>

// Inner nodes take the rows of Build_CN_C and the cells as in the fixed-face run; every node on a
// face, edge or corner of the grid takes its face row bc = face_row(coef_id[n]) (model/cells.h):
//   diagonal   (cap_base + bc[8] + bc[9] + bc[10])*bc[3]: capacity and conductance (with the
//              convection h*d/k inside bc[8..10]) scaled by bc[3], twice the node's cell share
//   links      -bc[4], -bc[6], -bc[5] to n+1, n+X, n+P (0 across a max face: nothing stored)
//   source     2*Q like an inner node, ((q + q)*dx^2)/k, the block share already being in q,
//              plus the convection inflow bc[7] once.
int TScn::Crank_Nicolson_Convection(int method, int steps, int px, int py, int pz)
{
    const char* run = "Crank_Nicolson_Convection";
    if (!run_accepted(run, steps, px, py, pz))
        return 1;
    const double s = ry + 1.0 + rz;
    const int X = nx + 1;
    const int P = (nx + 1) * (nz + 1);
    // capacity of a full base cell without the factor 2: (rho*cp*dx^2)/(k*dt)
    const double cap_base = rho * cp * pow(dx, 2.0) / (k * dt);

    // ---- set-up: blocks (a rejected record ends the program before any file is touched) ----
    read_geometry();
    for (int l = 0; l < n_layers; l++)
        Build_CN_C(layers[l]);
    Build_cell_rows(coef);
    Build_BC();
    Build_face_rows();
    double* work = new double[n_nodes];
    double* T_new = new double[n_nodes];
    double* hist = new double[steps];
    int* perm = nullptr;
    double* x_perm = nullptr;
    std::ofstream out("Crank_Nicolson_Conv.txt");
    double dx2 = pow(dx, 2.0);

    // ---- A = C + K with the convective face rows; no guard of i, j, k on the links ---------
    for (int j = 0; j <= ny; j++)
        for (int kk = 0; kk <= nz; kk++)
            for (int i = 0; i <= nx; i++)
            {
                int n = i + X * (kk + (nz + 1) * j);
                const double* c;
                double diag;
                if (i == 0 || i == nx || j == 0 || j == ny || kk == 0 || kk == nz)
                {
                    const double* bc = face_row(coef_id[n]);
                    diag = (cap_base + bc[8] + bc[9] + bc[10]) * bc[3];
                    c = bc;
                }
                else
                {
                    c = coef[coef_id[n]];
                    diag = c[3] + c[7] * s;
                }
                // slots 4, 6, 5 are the x, z, y links upward in both kinds of row
                A->insertEntry(n, n, diag);
                if (n < n_nodes - 1)
                    A->insertEntry(n, n + 1, -c[4]);
                if (n < n_nodes - X)
                    A->insertEntry(n, n + X, -c[6]);
                if (n < n_nodes - P)
                    A->insertEntry(n, n + P, -c[5]);
            }
    A->sort();

    // ---- first right-hand side (C - K)*T + 2*Q (+ convection inflow) at every node ---------
    for (int j = 0; j <= ny; j++)
        for (int kk = 0; kk <= nz; kk++)
            for (int i = 0; i <= nx; i++)
            {
                int n = i + X * (kk + (nz + 1) * j);
                // 2*Q as ((q + q)*dx^2)/k at every node, faces included
                double Q2 = (power[n] + power[n]) * dx2 / k;
                if (i == 0 || i == nx || j == 0 || j == ny || kk == 0 || kk == nz)
                {
                    const double* bc = face_row(coef_id[n]);
                    rhs[n] = cn::face_terms(bc, cap_base, T, n, X, P, n_nodes) + Q2 + bc[7];
                }
                else
                    rhs[n] = cn::inner_terms(coef[coef_id[n]], T, n, X, P, n_nodes, s) + Q2;
            }

    // ---- factor once; the timed part is the factor and the time loop -----------------------
    double t0 = second();
    if (!make_factor(run, method, perm, x_perm))
    {
        out.close();
        release_factor(perm, x_perm);
        delete[] work;
        delete[] T_new;
        delete[] hist;
        return 1;
    }
    if (method < 1 || method > 3)
        solve_step(method, perm, x_perm, T_new, work); // writes the menu once before the loop
    // T_new starts as T: PCG's first start vector, and what an unknown method keeps.
    for (int n = 0; n < n_nodes; n++)
        T_new[n] = T[n];

    for (int step = 0; step < steps; step++)
    {
        solve_step(method, perm, x_perm, T_new, work);

        // rhs += (C - K)*(T_new - T) at every node; the sources stay as they are
        for (int n = 0; n < n_nodes; n++)
            work[n] = T_new[n] - T[n];
        for (int j = 0; j <= ny; j++)
            for (int kk = 0; kk <= nz; kk++)
                for (int i = 0; i <= nx; i++)
                {
                    int n = i + X * (kk + (nz + 1) * j);
                    double change;
                    if (i == 0 || i == nx || j == 0 || j == ny || kk == 0 || kk == nz)
                        change = cn::face_terms(face_row(coef_id[n]), cap_base, work, n, X, P,
                                                n_nodes);
                    else
                        change = cn::inner_terms(coef[coef_id[n]], work, n, X, P, n_nodes, s);
                    rhs[n] = rhs[n] + change;
                }
        for (int n = 0; n < n_nodes; n++)
            T[n] = T_new[n];
        hist[step] = T[px + X * (pz + (nz + 1) * py)];
        std::cout << "Iteration = " << step << std::endl;
    }
    double t1 = second();

    // ---- report and release --------------------------------------------------------------
    write_report(out, t1 - t0, steps, hist, px, py, pz);
    out.close();
    release_factor(perm, x_perm);
    delete[] work;
    delete[] T_new;
    delete[] hist;
    if (out.fail())
    {
        fflush(stdout);
        std::cerr << "Calefax: error: Crank_Nicolson_Conv.txt: cannot create or write the result "
                     "file"
                  << std::endl;
        return 1;
    }
    return 0;
}
