// cn/TScn_coef.cpp: Crank-Nicolson coefficient rows of the base material and of one layer
#include "cn/TScn.h"

#include <cmath>

// A node's cell is split into eight octants; an octant lies either in the block (layer m) or in
// the base material. Along an axis on which the node is on the block's lowest plane (class 0)
// the block's octants are on the plus side only, on its highest plane (2) on the minus side only,
// strictly inside (1) on both sides. Relative to the base and scaled by dx^2/k:
//   link to a neighbour: mean conductivity ratio of the four octants on that side:
//                        1 (none in the block), q (one), a (two), r (four);
//   slot 3, capacity:    2*(mean rho*cp of the eight octants)*dx^2/(k*dt): Cc, Ce, Cf, Ci for
//                        1, 2, 4, 8 octants in the block, Cb for the base row;
//   slot 7, diagonal:    2*(mean conductivity ratio of the eight octants): Dc, De, Df, Di.
// Unlike the ADI rows, the y and z links carry no spacing factor (ry = rz = 1 for a TScn).
void TScn::Build_CN_C(material m)
{
    k_ratio = m.k / k;
    double r = k_ratio;
    double d2 = pow(dx, 2.0);

    // Each value is evaluated left to right as written; these orders fix the rounding.
    double a = r / 2.0 + 0.5;
    double q = r / 4.0 + 0.75;
    double Cc = (rho * 7.0 * cp + m.rho * m.cp) * d2 / (k * 4.0 * dt);
    double Ce = (rho * 3.0 * cp + m.rho * m.cp) * d2 / ((k + k) * dt);
    double Cf = (rho * cp + m.rho * m.cp) * d2 / (k * dt);
    double Ci = (m.rho + m.rho) * m.cp * d2 / (k * dt);
    double Cb = (rho + rho) * cp * d2 / (k * dt);
    double Dc = (r + 7.0) / 4.0;
    double De = (r + 3.0) / 2.0;
    double Df = r + 1.0;
    double Di = r + r;

    double* row0 = coef[0];
    for (int s = 0; s < 8; s++)
        row0[s] = 1.0;
    row0[3] = Cb;
    row0[7] = 2.0;

    // octants of the block across one axis of class c: one side only at classes 0 and 2
    static const int across[3] = {1, 2, 1};
    const double link[5] = {1.0, q, a, 0.0, r}; // by octants of the block on that side
    for (int p = 1; p <= 27; p++)
    {
        int cls[3] = {(p - 1) / 9, ((p - 1) / 3) % 3, (p - 1) % 3};
        int inside = across[cls[0]] * across[cls[1]] * across[cls[2]];
        double* row = coef[27 * m.index + p];
        // slots of the minus and plus links of x, y, z
        static const int minus_slot[3] = {0, 1, 2};
        static const int plus_slot[3] = {4, 5, 6};
        for (int ax = 0; ax < 3; ax++)
        {
            int side = inside / across[cls[ax]]; // octants of the block on one side of ax
            row[minus_slot[ax]] = link[cls[ax] == 0 ? 0 : side];
            row[plus_slot[ax]] = link[cls[ax] == 2 ? 0 : side];
        }
        row[3] = inside == 1 ? Cc : inside == 2 ? Ce : inside == 4 ? Cf : Ci;
        row[7] = inside == 1 ? Dc : inside == 2 ? De : inside == 4 ? Df : Di;
    }
}
