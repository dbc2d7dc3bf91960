// adi/TSdg_coef.cpp: coefficient rows of a layer (Build_DG_C) and the tridiagonal line solver
#include "adi/TSdg.h"

#include <cmath>

// A node has eight surrounding cells; along an axis on which it lies on the block's lowest plane
// (class 0) the layer's cells are on the plus side only, on the highest plane (2) on the minus side
// only, strictly inside (1) on both sides. A link to a neighbour touches the four cells on that
// side; its weight is the mean relative conductivity of those four cells: 1 (none in the layer),
// m1 (one), m2 (two) or m4 (all four). cap is twice the mean rho*cp of the eight cells times
// dx^2/(k dt); w_diag is twice the mean relative conductivity of the eight cells.
void TSdg::Build_DG_C(material m)
{
    k_ratio = m.k / k;
    double m1 = k_ratio / 4.0 + 0.75;
    double m2 = k_ratio / 2.0 + 0.5;
    double m4 = k_ratio;
    double dx2 = pow(dx, 2.0);

    // cap_n for n of the eight cells in the layer; the groupings fix the rounding.
    double cap_1 = ((rho * 7.0) * cp + m.rho * m.cp) * dx2 / ((k * 4.0) * dt);
    double cap_2 = ((rho * 3.0) * cp + m.rho * m.cp) * dx2 / ((k + k) * dt);
    double cap_4 = (rho * cp + m.rho * m.cp) * dx2 / (k * dt);
    double cap_8 = ((m.rho + m.rho) * m.cp) * dx2 / (k * dt);
    double cap_0 = ((rho + rho) * cp) * dx2 / (k * dt);
    double diag_1 = (k_ratio + 7.0) / 4.0;
    double diag_2 = (k_ratio + 3.0) / 2.0;
    double diag_4 = k_ratio + 1.0;
    double diag_8 = k_ratio + k_ratio;

    double* row0 = coef[0];
    row0[0] = 1.0;
    row0[1] = ry;
    row0[2] = rz;
    row0[3] = cap_0;
    row0[4] = 1.0;
    row0[5] = ry;
    row0[6] = rz;
    row0[7] = 2.0;

    // Cells of the layer on one side of an axis of class c: 1 or 2 across that axis.
    static const int across[3] = {1, 2, 1};
    const double factor[3] = {1.0, ry, rz};
    for (int t = 1; t <= 27; t++)
    {
        int c[3] = {(t - 1) / 9, ((t - 1) / 3) % 3, (t - 1) % 3};
        int n = across[c[0]] * across[c[1]] * across[c[2]];
        double* row = coef[27 * m.index + t];
        for (int a = 0; a < 3; a++)
        {
            int others = n / across[c[a]];     // cells across the two other axes
            // Layer on the minus side unless the node is on the block's lowest plane, on the plus
            // side unless it is on the highest.
            int cells_minus = (c[a] == 0) ? 0 : others;
            int cells_plus = (c[a] == 2) ? 0 : others;
            for (int side = 0; side < 2; side++)
            {
                int cells = side == 0 ? cells_minus : cells_plus;
                double w = cells == 0 ? 1.0 : cells == 1 ? m1 : cells == 2 ? m2 : m4;
                // A weight of 1 is stored as the bare factor, any other as w*factor.
                double v = (cells == 0) ? factor[a] : (a == 0 ? w : w * factor[a]);
                row[side == 0 ? a : 4 + a] = v;
            }
        }
        row[3] = n == 1 ? cap_1 : n == 2 ? cap_2 : n == 4 ? cap_4 : cap_8;
        row[7] = n == 1 ? diag_1 : n == 2 ? diag_2 : n == 4 ? diag_4 : diag_8;
    }
}

// d, g: the eliminated diagonal and right-hand side (Gaussian elimination without pivoting).
void TSdg::Thomas(double**& rows, double*& rhs, int n)
{
    double* d = new double[n];
    double* g = new double[n];
    for (int i = 0; i < n; i++)
    {
        d[i] = rows[i][1];
        g[i] = rhs[i];
    }
    for (int i = 1; i < n; i++)
    {
        // (a*c)/d and (a*g)/d: the product first, then the division, then the subtraction.
        d[i] = d[i] - (rows[i][0] * rows[i - 1][2]) / d[i - 1];
        g[i] = g[i] - (rows[i][0] * g[i - 1]) / d[i - 1];
    }
    rhs[n - 1] = g[n - 1] / d[n - 1];
    for (int i = n - 2; i >= 0; i--)
        rhs[i] = (g[i] - rows[i][2] * rhs[i + 1]) / d[i];
    delete[] d;
    delete[] g;
}
