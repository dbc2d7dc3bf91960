// cn/TScn_convection.cpp: the Crank-Nicolson run with convective faces ("Crank_Nicolson_Conv.txt")
#include "cn/TScn.h"

#include "cn/TScn_rows.h"

#include <cmath>

// Inner nodes take the rows of Build_CN_C and the cells as in the fixed-face run; every node on a
// face, edge or corner of the grid takes its face row bc = face_row(coef_id[n]) (model/cells.h):
//   diagonal   (cap_base + bc[8] + bc[9] + bc[10])*bc[3]: capacity and conductance (with the
//              convection h*d/k inside bc[8..10]) scaled by bc[3], twice the node's cell share
//   links      -bc[4], -bc[6], -bc[5] to n+1, n+X, n+P (0 across a max face: nothing stored)
//   source     2*Q like an inner node, ((q + q)*dx^2)/k, the block share already being in q,
//              plus the convection inflow bc[7] once.
void TScn::assemble_convective()
{
    const double s = ry + 1.0 + rz;
    const int X = nx + 1;
    const int P = (nx + 1) * (nz + 1);
    // capacity of a full base cell without the factor 2: (rho*cp*dx^2)/(k*dt)
    const double cap_base = rho * cp * pow(dx, 2.0) / (k * dt);
    double dx2 = pow(dx, 2.0);

    // ---- A = C + K with the convective face rows; no guard of i, j, k on the links ---------
    for (int j = 0; j <= ny; j++)
        for (int kk = 0; kk <= nz; kk++)
            for (int i = 0; i <= nx; i++)
            {
                int n = node(i, j, kk);
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
                int n = node(i, j, kk);
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
}

void TScn::advance_convective(const double* d)
{
    const double s = ry + 1.0 + rz;
    const int X = nx + 1;
    const int P = (nx + 1) * (nz + 1);
    const double cap_base = rho * cp * pow(dx, 2.0) / (k * dt);
    for (int j = 0; j <= ny; j++)
        for (int kk = 0; kk <= nz; kk++)
            for (int i = 0; i <= nx; i++)
            {
                int n = node(i, j, kk);
                double change;
                if (i == 0 || i == nx || j == 0 || j == ny || kk == 0 || kk == nz)
                    change = cn::face_terms(face_row(coef_id[n]), cap_base, d, n, X, P, n_nodes);
                else
                    change = cn::inner_terms(coef[coef_id[n]], d, n, X, P, n_nodes, s);
                rhs[n] = rhs[n] + change;
            }
}
