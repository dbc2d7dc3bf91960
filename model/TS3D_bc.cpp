// model/TS3D_bc.cpp: boundary types of the grid nodes and the 27 rows of convective boundary
// weights
#include "model/TS3D.h"

// Per axis: 1 on the min face (tested first, so a one-node axis counts as min), 2 on the max
// face, 0 inside.
int TS3D::type_bc(int i, int j, int k) const
{
    int bx = (i == 0) ? 1 : (i == nx) ? 2 : 0;
    int by = (j == 0) ? 1 : (j == ny) ? 2 : 0;
    int bz = (k == 0) ? 1 : (k == nz) ? 2 : 0;
    return 9 * bx + 3 * by + bz;
}

// Row t of bc_coef from the node's classes (bx, by, bz), t = 9*bx + 3*by + bz:
//   b_share = 2*(1/2)^nb, nb the number of axes with a class not 0 (the node's volume share);
//   link on a side that exists: w*(1/2)^m, m the number of the other two axes with class not 0;
//   self weight along an axis: w*B of the face the node lies on, w when inside;
//   b_conv = (2*b_share) * sum over the face axes, x then y then z, of w*S;
// with w = 1, ry, rz along x, y, z, B = h*d/k + 1.0 and S = h*d*T_amb/k of the face.
void TS3D::Build_BC()
{
    const double w[3] = {1.0, ry, rz};
    const double d[3] = {dx, dy, dz};
    // h is stored max face first: h[2a] max face of axis a, h[2a+1] min face.
    double B[3][3], S[3][3]; // [axis][class]; class 0 unused
    for (int a = 0; a < 3; a++)
    {
        for (int c = 1; c <= 2; c++)
        {
            double hf = (c == 1) ? h[2 * a + 1] : h[2 * a];
            B[a][c] = hf * d[a] / k + 1.0;   // ((h*d)/k) + 1.0: this order fixes the rounding
            S[a][c] = hf * d[a] * T_amb / k; // ((h*d)*T_amb)/k
        }
        B[a][0] = 0.0;
        S[a][0] = 0.0;
    }
    static const double half_pow[4] = {1.0, 0.5, 0.25, 0.125};

    for (int t = 0; t < 27; t++)
    {
        int cls[3] = {t / 9, (t / 3) % 3, t % 3};
        int nb = (cls[0] != 0) + (cls[1] != 0) + (cls[2] != 0);
        double* row = bc_coef[t];
        double share = 2.0 * half_pow[nb];
        row[3] = share;
        double conv = 0.0;
        bool any_face = false;
        for (int a = 0; a < 3; a++)
        {
            int m = nb - (cls[a] != 0);
            double link = w[a] * half_pow[m];
            row[a] = (cls[a] == 1) ? 0.0 : link;     // lower neighbour missing on the min face
            row[4 + a] = (cls[a] == 2) ? 0.0 : link; // upper neighbour missing on the max face
            if (cls[a] == 0)
            {
                row[8 + a] = w[a];
            }
            else
            {
                row[8 + a] = w[a] * B[a][cls[a]];
                double term = w[a] * S[a][cls[a]];
                conv = any_face ? conv + term : term;
                any_face = true;
            }
        }
        row[7] = any_face ? (2.0 * share) * conv : 0.0;
    }
}
