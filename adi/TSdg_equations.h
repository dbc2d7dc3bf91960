// adi/TSdg_equations.h: one node's row and right-hand side in each ADI sweep (inner and face nodes)
#ifndef ADI_TSDG_EQUATIONS_H
#define ADI_TSDG_EQUATIONS_H

// The Douglas-Gunn splitting of the Crank-Nicolson step, each equation scaled so that its time
// term is cap (inner node) or b_share*tau (face node). With Dx(U) = w_xm*Uxm - w_diag*U0 +
// w_xp*Uxp and likewise Dy, Dz (w_diag times ry, rz):
//   x: cap*T1 - Dx(T1) = cap*T + Dx(T) + 2 Dy(T) + 2 Dz(T) + S
//   y: cap*T2 - Dy(T2) = Dx(T1) + cap*T + Dx(T) + Dy(T) + 2 Dz(T) + S
//   z: cap*T3 - Dz(T3) = Dy(T2) + Dx(T1) + cap*T + Dx(T) + Dy(T) + Dz(T) + S
// Each function writes the node's tridiagonal row {sub, diag, sup} and returns its right-hand
// side, summed left to right in the order written below (this order fixes the last bits); a
// doubled term 2*(x) is formed as x + x. S is the node's source term, computed by the caller.
// Both ADI runs and the batched sweeps call these, so every run assembles the same numbers.

// The forms are also taken on vectors of four doubles (TSdg_vector.h) by the vector kernels, into
// which they are always inlined (flatten): no vector passed by value crosses a call, so the
// compiler's warning about the ABI of such calls does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace adi
{

// The values of a field U round the node being assembled: U at i-1, j-1, k-1, the node, i+1, j+1,
// k+1. A neighbour outside the grid reads 0.0 (its weight is 0 in the face rows). V: double, or
// a vector of doubles holding several nodes side by side (TSdg_short.h), for which every form
// below does the same operations lane by lane.
template <typename V> struct Around
{
    V xm, ym, zm, o, xp, yp, zp;
};
typedef Around<double> Neighbours;

// Neighbours of (i, j, k) in U, reading 0.0 across the faces of a grid with last indices nx, ny,
// nz.
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

// ---- inner node: coefficient row c = {w_xm, w_ym, w_zm, cap, w_xp, w_yp, w_zp, w_diag} -------
// t holds T round the node, t1 T1, t2 T2; sum_x = (ry + ry) + 1 + (rz + rz),
// sum_y = (ry + 1) + (rz + rz), sum_z = (ry + 1) + rz.

template <typename V>
inline V inner_x(const V* c, const Around<V>& t, double sum_x, V S, V& sub, V& diag, V& sup)
{
    sub = -c[0];
    diag = c[3] + c[7];
    sup = -c[4];
    V ym = c[1] * t.ym, zm = c[2] * t.zm, yp = c[5] * t.yp, zp = c[6] * t.zp;
    return c[0] * t.xm + (ym + ym) + (zm + zm) + (c[3] - c[7] * sum_x) * t.o + c[4] * t.xp +
           (yp + yp) + (zp + zp) + S;
}

template <typename V>
inline V inner_y(const V* c, const Around<V>& t, const Around<V>& t1, double ry, double sum_y, V S,
                 V& sub, V& diag, V& sup)
{
    sub = -c[1];
    diag = c[3] + c[7] * ry;
    sup = -c[5];
    V zm = c[2] * t.zm, zp = c[6] * t.zp;
    return c[0] * t1.xm - c[7] * t1.o + c[4] * t1.xp + c[0] * t.xm + c[1] * t.ym + (zm + zm) +
           (c[3] - c[7] * sum_y) * t.o + c[4] * t.xp + c[5] * t.yp + (zp + zp) + S;
}

template <typename V>
inline V inner_z(const V* c, const Around<V>& t, const Around<V>& t1, const Around<V>& t2,
                 double ry, double rz, double sum_z, V S, V& sub, V& diag, V& sup)
{
    sub = -c[2];
    diag = c[3] + c[7] * rz;
    sup = -c[6];
    return c[1] * t2.ym - (c[7] * t2.o) * ry + c[5] * t2.yp + c[0] * t1.xm - c[7] * t1.o +
           c[4] * t1.xp + c[0] * t.xm + c[1] * t.ym + c[2] * t.zm + (c[3] - c[7] * sum_z) * t.o +
           c[4] * t.xp + c[5] * t.yp + c[6] * t.zp + S;
}

// ---- face node: boundary row b = {b_xm, b_ym, b_zm, b_share, b_xp, b_yp, b_zp, b_conv, b_dx,
// b_dy, b_dz}; the time term is b_share*tau, the self weights b_share*b_dx etc. ----------------

template <typename V>
inline V face_x(const V* b, const Around<V>& t, double tau, V S, V& sub, V& diag, V& sup)
{
    sub = -b[0];
    diag = b[3] * (tau + b[8]);
    sup = -b[4];
    return b[0] * t.xm + b[1] * (t.ym + t.ym) + b[2] * (t.zm + t.zm) +
           ((tau - b[8] - (b[9] + b[9]) - (b[10] + b[10])) * b[3]) * t.o + b[4] * t.xp +
           b[5] * (t.yp + t.yp) + b[6] * (t.zp + t.zp) + b[7] + S;
}

template <typename V>
inline V face_y(const V* b, const Around<V>& t, const Around<V>& t1, double tau, V S, V& sub,
                V& diag, V& sup)
{
    sub = -b[1];
    diag = b[3] * (tau + b[9]);
    sup = -b[5];
    return b[0] * t1.xm - (b[3] * b[8]) * t1.o + b[4] * t1.xp + b[0] * t.xm + b[1] * t.ym +
           b[2] * (t.zm + t.zm) + ((tau - b[8] - b[9] - (b[10] + b[10])) * b[3]) * t.o +
           b[4] * t.xp + b[5] * t.yp + b[6] * (t.zp + t.zp) + b[7] + S;
}

template <typename V>
inline V face_z(const V* b, const Around<V>& t, const Around<V>& t1, const Around<V>& t2,
                double tau, V S, V& sub, V& diag, V& sup)
{
    sub = -b[2];
    diag = b[3] * (tau + b[10]);
    sup = -b[6];
    return b[1] * t2.ym - (b[3] * b[9]) * t2.o + b[5] * t2.yp + b[0] * t1.xm -
           (b[3] * b[8]) * t1.o + b[4] * t1.xp + b[0] * t.xm + b[1] * t.ym + b[2] * t.zm +
           ((tau - b[8] - b[9] - b[10]) * b[3]) * t.o + b[4] * t.xp + b[5] * t.yp + b[6] * t.zp +
           b[7] + S;
}

} // namespace adi

#pragma GCC diagnostic pop

#endif
