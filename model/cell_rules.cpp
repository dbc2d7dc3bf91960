// model/cell_rules.cpp: the cell rules: a node's coefficient row from its eight cells, face
// convection, and the layer table's terms
#include "model/cells.h"

#include "model/TS3D.h"

#include <cmath>

namespace
{

struct CellProps
{
    bool inside;
    double kr;      // conductivity relative to the base material's
    double rhocp;   // rho*cp
    double size[3]; // the cell's lengths along x, y, z, m
};

CellProps props(const TS3D& m, int mat)
{
    CellProps p;
    p.inside = mat != CELL_OUTSIDE;
    if (mat >= 0)
    {
        p.kr = m.layers[mat].k / m.k;
        p.rhocp = m.layers[mat].rho * m.layers[mat].cp;
    }
    else
    {
        p.kr = p.inside ? 1.0 : 0.0;
        p.rhocp = p.inside ? m.rho * m.cp : 0.0;
    }
    // Every cell has the grid's spacing.
    p.size[0] = m.dx;
    p.size[1] = m.dy;
    p.size[2] = m.dz;
    return p;
}

// The share of a cell's octant in a link along axis a: its cross-section over the node's quarter
// cross-section times the spacing over the cell's length (1 for a cell of the grid's spacing).
double link_share(const TS3D& m, const CellProps& c, int a)
{
    const double d[3] = {m.dx, m.dy, m.dz};
    int b = (a + 1) % 3, e = (a + 2) % 3;
    return ((c.size[b] / d[b]) * (c.size[e] / d[e])) * (d[a] / c.size[a]);
}

// The share of a cell's octant in the node's volume (1 for a cell of the grid's spacing).
double volume_share(const TS3D& m, const CellProps& c)
{
    return ((c.size[0] / m.dx) * (c.size[1] / m.dy)) * (c.size[2] / m.dz);
}

bool uniform(const TS3D& m, const CellProps& c)
{
    return c.size[0] == m.dx && c.size[1] == m.dy && c.size[2] == m.dz;
}

// Cells of the base material and of one layer only, all of the grid's spacing: n cells of the
// layer whose properties are L; false otherwise.
bool base_and_one(const CellProps* c, int n_cells, const int* mats, const TS3D& m, int& n, int& L)
{
    n = 0;
    L = -1;
    for (int q = 0; q < n_cells; q++)
    {
        if (!c[q].inside || !uniform(m, c[q]))
            return false;
        if (mats[q] == CELL_BASE)
            continue;
        if (L >= 0 && mats[q] != L)
            return false;
        L = mats[q];
        n++;
    }
    return true;
}

// Mean relative conductivity of the four cells round the link on side s of axis a. Cells of the
// base and one layer take the layer table's expressions, so that a link has the same weight in
// the rows of both its nodes whichever rule built them.
double link_weight(const TS3D& m, const Octants& o, const CellProps* c, int a, int s)
{
    CellProps four[4];
    int mats[4], q = 0;
    for (int oc = 0; oc < 8; oc++)
        if (octant_side(oc, a) == s)
        {
            four[q] = c[oc];
            mats[q++] = o[oc];
        }
    int n, L;
    if (base_and_one(four, 4, mats, m, n, L))
    {
        double r = n > 0 ? m.layers[L].k / m.k : 1.0;
        if (n == 0)
            return 1.0;
        if (n == 1)
            return r / 4.0 + 0.75;
        if (n == 2)
            return r / 2.0 + 0.5;
        if (n == 4)
            return r;
    }
    double sum = 0.0;
    for (int p = 0; p < 4; p++)
        if (four[p].inside)
            sum = sum + four[p].kr * link_share(m, four[p], a);
    return sum / 4.0;
}

// The six link weights, scaled by 1, ry, rz: slots 0..2 minus side, 4..6 plus side.
void links(const TS3D& m, const Octants& o, const CellProps* c, double* row)
{
    const double factor[3] = {1.0, m.ry, m.rz};
    for (int a = 0; a < 3; a++)
    {
        double wm = link_weight(m, o, c, a, 0), wp = link_weight(m, o, c, a, 1);
        row[a] = a == 0 ? wm : wm * factor[a];
        row[4 + a] = a == 0 ? wp : wp * factor[a];
    }
}

} // namespace

void cell_inner_row(const TS3D& m, const Octants& o, double row[8])
{
    CellProps c[8];
    for (int q = 0; q < 8; q++)
        c[q] = props(m, o[q]);
    links(m, o, c, row);

    const double dx2 = pow(m.dx, 2.0);
    int n, L;
    if (base_and_one(c, 8, o.data(), m, n, L) && (n == 1 || n == 2 || n == 4 || n == 8))
    {
        layer_node_terms(m, m.layers[L], n, row[3], row[7]);
        return;
    }
    double heat = 0.0, cond = 0.0;
    for (int q = 0; q < 8; q++)
    {
        heat = heat + c[q].rhocp * volume_share(m, c[q]);
        cond = cond + c[q].kr * link_share(m, c[q], 0);
    }
    row[3] = heat * dx2 / ((m.k * 4.0) * m.dt);
    row[7] = cond / 4.0;
}

void face_convection(const TS3D& m, int t, double conv[3])
{
    const int cls[3] = {t / 9, (t / 3) % 3, t % 3};
    const double d[3] = {m.dx, m.dy, m.dz};
    const double factor[3] = {1.0, m.ry, m.rz};
    // cells inside the grid round the node: 2 across each axis on which it is not on a face
    int inside = 1;
    for (int a = 0; a < 3; a++)
        inside *= cls[a] == 0 ? 2 : 1;
    for (int a = 0; a < 3; a++)
    {
        if (cls[a] == 0)
        {
            conv[a] = 0.0;
            continue;
        }
        double hf = cls[a] == 1 ? m.h[2 * a + 1] : m.h[2 * a];
        // every cell inside touches the face; each covers a quarter of the node's face patch
        conv[a] = (inside / 4.0) * factor[a] * (hf * d[a] / m.k);
    }
}

void cell_face_row(const TS3D& m, const Octants& o, int t, double row[11])
{
    CellProps c[8];
    for (int q = 0; q < 8; q++)
        c[q] = props(m, o[q]);
    links(m, o, c, row);

    double heat = 0.0;
    for (int q = 0; q < 8; q++)
        if (c[q].inside)
            heat = heat + c[q].rhocp * volume_share(m, c[q]);
    const double share = heat / ((m.rho * m.cp) * 4.0);
    double conv[3];
    face_convection(m, t, conv);
    row[3] = share;
    for (int a = 0; a < 3; a++)
        row[8 + a] = ((row[a] + row[4 + a]) + conv[a]) / share;
    row[7] = 2.0 * ((conv[0] * m.T_amb + conv[1] * m.T_amb) + conv[2] * m.T_amb);
}

void layer_node_terms(const TS3D& m, const material& l, int n, double& cap, double& diag)
{
    const double dx2 = pow(m.dx, 2.0);
    const double r = l.k / m.k;
    // Each value is evaluated left to right as grouped; these orders fix the rounding.
    switch (n)
    {
    case 1:
        cap = ((m.rho * 7.0) * m.cp + l.rho * l.cp) * dx2 / ((m.k * 4.0) * m.dt);
        diag = (r + 7.0) / 4.0;
        break;
    case 2:
        cap = ((m.rho * 3.0) * m.cp + l.rho * l.cp) * dx2 / ((m.k + m.k) * m.dt);
        diag = (r + 3.0) / 2.0;
        break;
    case 4:
        cap = (m.rho * m.cp + l.rho * l.cp) * dx2 / (m.k * m.dt);
        diag = r + 1.0;
        break;
    case 8:
        cap = ((l.rho + l.rho) * l.cp) * dx2 / (m.k * m.dt);
        diag = r + r;
        break;
    default: // no cell in the layer: the base material
        cap = ((m.rho + m.rho) * m.cp) * dx2 / (m.k * m.dt);
        diag = 2.0;
        break;
    }
}

double layer_link_weight(const TS3D& m, const material& l, int n)
{
    const double r = l.k / m.k;
    return n == 0 ? 1.0 : n == 1 ? r / 4.0 + 0.75 : n == 2 ? r / 2.0 + 0.5 : r;
}
