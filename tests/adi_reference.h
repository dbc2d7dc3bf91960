// tests/adi_reference.h: a straightforward one-line-at-a-time ADI convection step, kept as the
// reference against which the run's optimised sweeps are compared bit for bit
#ifndef TESTS_ADI_REFERENCE_H
#define TESTS_ADI_REFERENCE_H

#include "adi/TSdg.h"

#include <cmath>

namespace reference
{

// U at (i, j, k), 0.0 outside the grid.
inline double at(double*** U, const TSdg& s, int i, int j, int k)
{
    if (i < 0 || i > s.nx || j < 0 || j > s.ny || k < 0 || k > s.nz)
        return 0.0;
    return U[i][j][k];
}

// The row {sub, diag, super} and right-hand side of node (i, j, k) in sweep 0 (x), 1 (y) or 2 (z),
// written out term by term in the order of the scheme.
inline double node_row(TSdg& s, int sweep, int i, int j, int k, double tau, double* row)
{
    double*** T = s.T;
    double*** T1 = s.T1;
    double*** T2 = s.T2;
    double q0 = s.power[i][j][k];
    double S = ((q0 + q0) * s.dx) * s.dx / s.k;
    double Txm = at(T, s, i - 1, j, k), Tym = at(T, s, i, j - 1, k), Tzm = at(T, s, i, j, k - 1);
    double Txp = at(T, s, i + 1, j, k), Typ = at(T, s, i, j + 1, k), Tzp = at(T, s, i, j, k + 1);
    double T0 = T[i][j][k];
    double ry = s.ry, rz = s.rz;
    bool face = i == 0 || i == s.nx || j == 0 || j == s.ny || k == 0 || k == s.nz;
    if (!face)
    {
        const double* c = s.coef[s.coef_id[i][j][k]];
        if (sweep == 0)
        {
            double sum_x = (ry + ry) + 1.0 + (rz + rz);
            row[0] = -c[0];
            row[1] = c[3] + c[7];
            row[2] = -c[4];
            return c[0] * Txm + (c[1] * Tym + c[1] * Tym) + (c[2] * Tzm + c[2] * Tzm) +
                   (c[3] - c[7] * sum_x) * T0 + c[4] * Txp + (c[5] * Typ + c[5] * Typ) +
                   (c[6] * Tzp + c[6] * Tzp) + S;
        }
        if (sweep == 1)
        {
            double sum_y = (ry + 1.0) + (rz + rz);
            row[0] = -c[1];
            row[1] = c[3] + c[7] * ry;
            row[2] = -c[5];
            return c[0] * T1[i - 1][j][k] - c[7] * T1[i][j][k] + c[4] * T1[i + 1][j][k] +
                   c[0] * Txm + c[1] * Tym + (c[2] * Tzm + c[2] * Tzm) +
                   (c[3] - c[7] * sum_y) * T0 + c[4] * Txp + c[5] * Typ +
                   (c[6] * Tzp + c[6] * Tzp) + S;
        }
        double sum_z = (ry + 1.0) + rz;
        row[0] = -c[2];
        row[1] = c[3] + c[7] * rz;
        row[2] = -c[6];
        return c[1] * T2[i][j - 1][k] - (c[7] * T2[i][j][k]) * ry + c[5] * T2[i][j + 1][k] +
               c[0] * T1[i - 1][j][k] - c[7] * T1[i][j][k] + c[4] * T1[i + 1][j][k] + c[0] * Txm +
               c[1] * Tym + c[2] * Tzm + (c[3] - c[7] * sum_z) * T0 + c[4] * Txp + c[5] * Typ +
               c[6] * Tzp + S;
    }
    const double* b = s.face_row(s.coef_id[i][j][k]);
    if (sweep == 0)
    {
        row[0] = -b[0];
        row[1] = b[3] * (tau + b[8]);
        row[2] = -b[4];
        return b[0] * Txm + b[1] * (Tym + Tym) + b[2] * (Tzm + Tzm) +
               ((tau - b[8] - (b[9] + b[9]) - (b[10] + b[10])) * b[3]) * T0 + b[4] * Txp +
               b[5] * (Typ + Typ) + b[6] * (Tzp + Tzp) + b[7] + S;
    }
    double T1xm = at(T1, s, i - 1, j, k), T1xp = at(T1, s, i + 1, j, k), T1_0 = T1[i][j][k];
    if (sweep == 1)
    {
        row[0] = -b[1];
        row[1] = b[3] * (tau + b[9]);
        row[2] = -b[5];
        return b[0] * T1xm - (b[3] * b[8]) * T1_0 + b[4] * T1xp + b[0] * Txm + b[1] * Tym +
               b[2] * (Tzm + Tzm) + ((tau - b[8] - b[9] - (b[10] + b[10])) * b[3]) * T0 +
               b[4] * Txp + b[5] * Typ + b[6] * (Tzp + Tzp) + b[7] + S;
    }
    double T2ym = at(T2, s, i, j - 1, k), T2yp = at(T2, s, i, j + 1, k), T2_0 = T2[i][j][k];
    row[0] = -b[2];
    row[1] = b[3] * (tau + b[10]);
    row[2] = -b[6];
    return b[1] * T2ym - (b[3] * b[9]) * T2_0 + b[5] * T2yp + b[0] * T1xm - (b[3] * b[8]) * T1_0 +
           b[4] * T1xp + b[0] * Txm + b[1] * Tym + b[2] * Tzm +
           ((tau - b[8] - b[9] - b[10]) * b[3]) * T0 + b[4] * Txp + b[5] * Typ + b[6] * Tzp + b[7] +
           S;
}

// One time step of the convection run on s, line by line with TSdg::Thomas; s must have its
// coefficients built (Build_DG_C for every layer, Build_BC). Lines are independent: their order
// is free.
inline void step(TSdg& s)
{
    double tau = (s.rho * s.cp * pow(s.dx, 2.0)) / (s.k * s.dt);
    const int last[3] = {s.nx, s.ny, s.nz};
    double** tri[3] = {s.tri_x, s.tri_y, s.tri_z};
    double* rhs[3] = {s.rhs_x, s.rhs_y, s.rhs_z};
    double*** out[3] = {s.T1, s.T2, s.T3};
    for (int a = 0; a < 3; a++) // sweep a: one tridiagonal solve per line along axis a
    {
        const int b = a == 0 ? 1 : 0, c = a == 2 ? 1 : 2;
        int at[3];
        for (at[b] = 0; at[b] <= last[b]; at[b]++)
            for (at[c] = 0; at[c] <= last[c]; at[c]++)
            {
                int& m = at[a];
                for (m = 0; m <= last[a]; m++)
                    rhs[a][m] = node_row(s, a, at[0], at[1], at[2], tau, tri[a][m]);
                s.Thomas(tri[a], rhs[a], last[a] + 1);
                for (m = 0; m <= last[a]; m++)
                    out[a][at[0]][at[1]][at[2]] = rhs[a][m];
            }
    }
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++)
                s.T[i][j][k] = s.T3[i][j][k];
}

} // namespace reference

#endif
