// adi/TSdg_equations.h: one node's row and right-hand side in each ADI sweep (inner and face nodes)
#ifndef ADI_TSDG_EQUATIONS_H
#define ADI_TSDG_EQUATIONS_H

// The Douglas-Gunn splitting of the Crank-Nicolson step, each equation scaled so that its time
// term is cap (inner node) or b_share*tau (face node). With Dx(U) = w_xm*Uxm - w_diag*U0 +
// w_xp*Uxp and likewise Dy, Dz (w_diag times ry, rz):
//   x: cap*T1 - Dx(T1) = cap*T + Dx(T) + 2 Dy(T) + 2 Dz(T) + S
//   y: cap*T2 - Dy(T2) = Dx(T1) + cap*T + Dx(T) + Dy(T) + 2 Dz(T) + S
//   z: cap*T3 - Dz(T3) = Dy(T2) + Dx(T1) + cap*T + Dx(T) + Dy(T) + Dz(T) + S
// Each function writes the node's tridiagonal row {sub, diag, super} and returns its right-hand
// side, summed left to right in the order written below (this order fixes the last bits); a
// doubled term 2*(x) is formed as x + x. S is the node's source term, computed by the caller.
// Fields are indexed [i][j][k]; inner nodes have all six neighbours.

namespace adi
{

// Inner node, coefficient row c = {w_xm, w_ym, w_zm, cap, w_xp, w_yp, w_zp, w_diag}.
inline double inner_x(const double* c, double*** T, int i, int j, int k, double sum_x, double S,
                      double* row)
{
    row[0] = -c[0];
    row[1] = c[3] + c[7];
    row[2] = -c[4];
    double ym = c[1] * T[i][j - 1][k], zm = c[2] * T[i][j][k - 1];
    double yp = c[5] * T[i][j + 1][k], zp = c[6] * T[i][j][k + 1];
    return c[0] * T[i - 1][j][k] + (ym + ym) + (zm + zm) + (c[3] - c[7] * sum_x) * T[i][j][k] +
           c[4] * T[i + 1][j][k] + (yp + yp) + (zp + zp) + S;
}

inline double inner_y(const double* c, double*** T, double*** T1, int i, int j, int k,
                      double ry, double sum_y, double S, double* row)
{
    row[0] = -c[1];
    row[1] = c[3] + c[7] * ry;
    row[2] = -c[5];
    double zm = c[2] * T[i][j][k - 1], zp = c[6] * T[i][j][k + 1];
    return c[0] * T1[i - 1][j][k] - c[7] * T1[i][j][k] + c[4] * T1[i + 1][j][k] +
           c[0] * T[i - 1][j][k] + c[1] * T[i][j - 1][k] + (zm + zm) +
           (c[3] - c[7] * sum_y) * T[i][j][k] + c[4] * T[i + 1][j][k] + c[5] * T[i][j + 1][k] +
           (zp + zp) + S;
}

inline double inner_z(const double* c, double*** T, double*** T1, double*** T2, int i, int j,
                      int k, double ry, double rz, double sum_z, double S, double* row)
{
    row[0] = -c[2];
    row[1] = c[3] + c[7] * rz;
    row[2] = -c[6];
    return c[1] * T2[i][j - 1][k] - (c[7] * T2[i][j][k]) * ry + c[5] * T2[i][j + 1][k] +
           c[0] * T1[i - 1][j][k] - c[7] * T1[i][j][k] + c[4] * T1[i + 1][j][k] +
           c[0] * T[i - 1][j][k] + c[1] * T[i][j - 1][k] + c[2] * T[i][j][k - 1] +
           (c[3] - c[7] * sum_z) * T[i][j][k] + c[4] * T[i + 1][j][k] + c[5] * T[i][j + 1][k] +
           c[6] * T[i][j][k + 1] + S;
}

// Face node: a node of the grid's outer faces with boundary row b = {b_xm, b_ym, b_zm, b_share,
// b_xp, b_yp, b_zp, b_conv, b_dx, b_dy, b_dz}. A neighbour outside the grid reads 0.0 (its weight
// is 0). nx, ny, nz are the grid's last indices; S includes b_conv's partner, the power term.
struct Neighbours
{
    double xm, ym, zm, o, xp, yp, zp;   // U at i-1, j-1, k-1, the node, i+1, j+1, k+1
};

inline Neighbours around(double*** U, int i, int j, int k, int nx, int ny, int nz)
{
    Neighbours u;
    u.xm = i > 0 ? U[i - 1][j][k] : 0.0;
    u.ym = j > 0 ? U[i][j - 1][k] : 0.0;
    u.zm = k > 0 ? U[i][j][k - 1] : 0.0;
    u.o = U[i][j][k];
    u.xp = i < nx ? U[i + 1][j][k] : 0.0;
    u.yp = j < ny ? U[i][j + 1][k] : 0.0;
    u.zp = k < nz ? U[i][j][k + 1] : 0.0;
    return u;
}

inline double face_x(const double* b, const Neighbours& t, double tau, double S, double* row)
{
    row[0] = -b[0];
    row[1] = b[3] * (tau + b[8]);
    row[2] = -b[4];
    return b[0] * t.xm + b[1] * (t.ym + t.ym) + b[2] * (t.zm + t.zm) +
           ((tau - b[8] - (b[9] + b[9]) - (b[10] + b[10])) * b[3]) * t.o + b[4] * t.xp +
           b[5] * (t.yp + t.yp) + b[6] * (t.zp + t.zp) + b[7] + S;
}

inline double face_y(const double* b, const Neighbours& t, const Neighbours& t1, double tau,
                     double S, double* row)
{
    row[0] = -b[1];
    row[1] = b[3] * (tau + b[9]);
    row[2] = -b[5];
    return b[0] * t1.xm - (b[3] * b[8]) * t1.o + b[4] * t1.xp + b[0] * t.xm + b[1] * t.ym +
           b[2] * (t.zm + t.zm) + ((tau - b[8] - b[9] - (b[10] + b[10])) * b[3]) * t.o +
           b[4] * t.xp + b[5] * t.yp + b[6] * (t.zp + t.zp) + b[7] + S;
}

inline double face_z(const double* b, const Neighbours& t, const Neighbours& t1,
                     const Neighbours& t2, double tau, double S, double* row)
{
    row[0] = -b[2];
    row[1] = b[3] * (tau + b[10]);
    row[2] = -b[6];
    return b[1] * t2.ym - (b[3] * b[9]) * t2.o + b[5] * t2.yp + b[0] * t1.xm -
           (b[3] * b[8]) * t1.o + b[4] * t1.xp + b[0] * t.xm + b[1] * t.ym + b[2] * t.zm +
           ((tau - b[8] - b[9] - b[10]) * b[3]) * t.o + b[4] * t.xp + b[5] * t.yp +
           b[6] * t.zp + b[7] + S;
}

} // namespace adi

#endif
