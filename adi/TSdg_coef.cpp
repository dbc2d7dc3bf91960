// adi/TSdg_coef.cpp: coefficient rows of a layer (Build_DG_C) and the tridiagonal line solver
#include "adi/TSdg.h"

// The layer table's rows are the model's (TS3D::Build_layer_rows); k_ratio keeps the layer's
// relative conductivity for callers that read it.
void TSdg::Build_DG_C(material m)
{
    k_ratio = m.k / k;
    Build_layer_rows(m, coef);
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
