// adi/TSdg_plain.cpp: the ADI run with the six faces held at a fixed temperature
// ("Douglas_Gunn.txt")
#include "adi/TSdg.h"

#include "adi/TSdg_equations.h"
#include "app/fatal.h"
#include "model/run_report.h"

#include <cmath>
#include <fstream>
#include <iostream>

// Face nodes keep the set-up temperature T_fix: the faces of T1, T2 and T3 are copied from the
// previous field (two pairs of faces) or come back from the end rows of each line (the third).
// Only lines with inner nodes are solved; the source uses pow: ((q0 + q0)*pow(dx, 2.0))/k.
int TSdg::Dauglas_Gunn()
{
    if (!outputs_inside_grid())
        return 1;
    const double T_fix = 83.0;
    const double kb = this->k; // base conductivity; k is the z index below

    // ---- set-up ------------------------------------------------------------------------------
    double* hist = new double[n_steps];
    std::ofstream out("Douglas_Gunn.txt");
    for (int l = 0; l < n_layers; l++)
    {
        // One line per layer before the time loop: the fixed-face run's console shows its set-up
        // this way, and logs of earlier runs are compared against it.
        std::cout << "Inside the build coef " << std::endl;
        Build_DG_C(layers[l]);
    }
    Build_cell_rows(coef);
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
            T[i][j][0] = T[i][j][nz] = T_fix;
    for (int i = 0; i <= nx; i++)
        for (int k = 0; k <= nz; k++)
            T[i][0][k] = T[i][ny][k] = T_fix;
    for (int j = 0; j <= ny; j++)
        for (int k = 0; k <= nz; k++)
            T[0][j][k] = T[nx][j][k] = T_fix;
    // End rows are identity rows; their off-diagonal entries are cleared here so that a buffer
    // left by another run cannot couple a fixed value to its neighbour.
    tri_x[0][2] = tri_x[nx][0] = 0.0;
    tri_y[0][2] = tri_y[ny][0] = 0.0;
    tri_z[0][2] = tri_z[nz][0] = 0.0;
    double t0 = second();

    for (int step = 0; step < n_steps; step++)
    {
        std::cout << "Iteration: " << step << std::endl;

        // ---- x sweep over the inner lines ------------------------------------------------
        double sum_x = (ry + ry) + 1.0 + (rz + rz);
        for (int i = 0; i <= nx; i++)
            for (int k = 0; k <= nz; k++)
            {
                T1[i][0][k] = T[i][0][k];
                T1[i][ny][k] = T[i][ny][k];
            }
        for (int i = 0; i <= nx; i++)
            for (int j = 1; j <= ny - 1; j++)
            {
                T1[i][j][0] = T[i][j][0];
                T1[i][j][nz] = T[i][j][nz];
            }
        for (int k = 1; k <= nz - 1; k++)
            for (int j = 1; j <= ny - 1; j++)
            {
                tri_x[0][1] = 1.0;
                tri_x[nx][1] = 1.0;
                rhs_x[0] = T[0][j][k];
                rhs_x[nx] = T[nx][j][k];
                for (int i = 1; i <= nx - 1; i++)
                {
                    double q0 = power[i][j][k];
                    double S = ((q0 + q0) * pow(dx, 2.0)) / kb;
                    adi::Neighbours t = adi::around(T, i, j, k, nx, ny, nz);
                    double* r = tri_x[i];
                    rhs_x[i] = adi::inner_x(coef[coef_id[i][j][k]], t, sum_x, S, r[0], r[1], r[2]);
                }
                Thomas(tri_x, rhs_x, nx + 1);
                for (int i = 0; i <= nx; i++)
                    T1[i][j][k] = rhs_x[i];
            }

        // ---- y sweep -----------------------------------------------------------------------
        double sum_y = (ry + 1.0) + (rz + rz);
        for (int j = 0; j <= ny; j++)
            for (int k = 0; k <= nz; k++)
            {
                T2[0][j][k] = T1[0][j][k];
                T2[nx][j][k] = T1[nx][j][k];
            }
        for (int i = 1; i <= nx - 1; i++)
            for (int j = 0; j <= ny; j++)
            {
                T2[i][j][0] = T1[i][j][0];
                T2[i][j][nz] = T1[i][j][nz];
            }
        for (int k = 1; k <= nz - 1; k++)
            for (int i = 1; i <= nx - 1; i++)
            {
                tri_y[0][1] = 1.0;
                tri_y[ny][1] = 1.0;
                rhs_y[0] = T[i][0][k];
                rhs_y[ny] = T[i][ny][k];
                for (int j = 1; j <= ny - 1; j++)
                {
                    double q0 = power[i][j][k];
                    double S = ((q0 + q0) * pow(dx, 2.0)) / kb;
                    adi::Neighbours t = adi::around(T, i, j, k, nx, ny, nz);
                    adi::Neighbours t1 = adi::around(T1, i, j, k, nx, ny, nz);
                    double* r = tri_y[j];
                    rhs_y[j] =
                        adi::inner_y(coef[coef_id[i][j][k]], t, t1, ry, sum_y, S, r[0], r[1], r[2]);
                }
                Thomas(tri_y, rhs_y, ny + 1);
                for (int j = 0; j <= ny; j++)
                    T2[i][j][k] = rhs_y[j];
            }

        // ---- z sweep -----------------------------------------------------------------------
        double sum_z = (ry + 1.0) + rz;
        for (int k = 0; k <= nz; k++)
            for (int i = 0; i <= nx; i++)
            {
                T3[i][0][k] = T2[i][0][k];
                T3[i][ny][k] = T2[i][ny][k];
            }
        for (int j = 1; j <= ny - 1; j++)
            for (int k = 0; k <= nz; k++)
            {
                T3[0][j][k] = T2[0][j][k];
                T3[nx][j][k] = T2[nx][j][k];
            }
        for (int j = 1; j <= ny - 1; j++)
            for (int i = 1; i <= nx - 1; i++)
            {
                tri_z[0][1] = 1.0;
                tri_z[nz][1] = 1.0;
                rhs_z[0] = T[i][j][0];
                rhs_z[nz] = T[i][j][nz];
                for (int k = 1; k <= nz - 1; k++)
                {
                    double q0 = power[i][j][k];
                    double S = ((q0 + q0) * pow(dx, 2.0)) / kb;
                    adi::Neighbours t = adi::around(T, i, j, k, nx, ny, nz);
                    adi::Neighbours t1 = adi::around(T1, i, j, k, nx, ny, nz);
                    adi::Neighbours t2 = adi::around(T2, i, j, k, nx, ny, nz);
                    double* r = tri_z[k];
                    rhs_z[k] = adi::inner_z(coef[coef_id[i][j][k]], t, t1, t2, ry, rz, sum_z, S,
                                            r[0], r[1], r[2]);
                }
                Thomas(tri_z, rhs_z, nz + 1);
                for (int k = 0; k <= nz; k++)
                    T3[i][j][k] = rhs_z[k];
            }

        for (int i = 0; i <= nx; i++)
            for (int j = 0; j <= ny; j++)
                for (int k = 0; k <= nz; k++)
                    T[i][j][k] = T3[i][j][k];
        show_3D(T, "Temperature", nx, ny, nz);
        hist[step] = T[probe_x][probe_y][probe_z];
    }
    double t1 = second();

    // ---- report --------------------------------------------------------------------------
    write_probe_report(out, "Douglas_Gunn", nx, ny, nz, t1 - t0, probe_x, probe_y, probe_z, hist,
                       n_steps);
    out.close();
    delete[] hist;
    if (out.fail())
    {
        report_error("Douglas_Gunn.txt: cannot create or write the result file");
        return 1;
    }
    return 0;
}
