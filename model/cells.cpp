// model/cells.cpp: cell ownership of the blocks, the arrangements of nodes' cells, the cell rules
#include "model/cells.h"

#include "model/TS3D.h"

#include <algorithm>
#include <cmath>

void block_cell_range(int a, int b, int n, int& lo, int& hi)
{
    lo = std::min(a, b);
    hi = std::max(a, b);
    if (lo == hi) // zero intervals thick: the cells on the plus side, at the last plane the minus
    {
        if (hi < n)
            hi = lo + 1;
        else
            lo = hi - 1;
    }
}

CellOwners::CellOwners(int nx, int ny, int nz, const std::vector<BlockRecord>& blocks)
    : nx(nx), ny(ny), nz(nz), c0{0, 0, 0}, cn{nx, ny, nz}
{
    fill(blocks);
}

CellOwners::CellOwners(int nx, int ny, int nz, const std::vector<BlockRecord>& blocks,
                       const NodeBox& box)
    : nx(nx), ny(ny), nz(nz)
{
    // the cells round nodes lo..hi: lo-1..hi, those inside the grid
    const int n[3] = {nx, ny, nz};
    for (int a = 0; a < 3; a++)
    {
        c0[a] = std::max(box.lo[a] - 1, 0);
        cn[a] = std::max(std::min(box.hi[a], n[a] - 1) - c0[a] + 1, 0);
    }
    fill(blocks);
}

void CellOwners::fill(const std::vector<BlockRecord>& blocks)
{
    owner.assign((size_t)cn[0] * cn[1] * cn[2], CELL_BASE);
    for (size_t b = 0; b < blocks.size(); b++)
    {
        int i0, i1, j0, j1, k0, k1;
        block_cell_range(blocks[b].x1, blocks[b].x2, nx, i0, i1);
        block_cell_range(blocks[b].y1, blocks[b].y2, ny, j0, j1);
        block_cell_range(blocks[b].z1, blocks[b].z2, nz, k0, k1);
        // clipped to the cells held
        i0 = std::max(i0, c0[0]) - c0[0];
        i1 = std::min(i1, c0[0] + cn[0]) - c0[0];
        j0 = std::max(j0, c0[1]) - c0[1];
        j1 = std::min(j1, c0[1] + cn[1]) - c0[1];
        k0 = std::max(k0, c0[2]) - c0[2];
        k1 = std::min(k1, c0[2] + cn[2]) - c0[2];
        if (k1 <= k0)
            continue;
        for (int i = i0; i < i1; i++)
            for (int j = j0; j < j1; j++)
                std::fill_n(owner.begin() + ((size_t)i * cn[1] + j) * cn[2] + k0, k1 - k0, (int)b);
    }
}

int CellOwners::octant_owner(int i, int j, int k, int o) const
{
    int ci = i - 1 + ((o >> 2) & 1), cj = j - 1 + ((o >> 1) & 1), ck = k - 1 + (o & 1);
    if (ci < 0 || ci >= nx || cj < 0 || cj >= ny || ck < 0 || ck >= nz)
        return CELL_OUTSIDE;
    return owner[((size_t)(ci - c0[0]) * cn[1] + (cj - c0[1])) * cn[2] + (ck - c0[2])];
}

std::vector<long long> CellOwners::cells_per_block() const
{
    int n = 0;
    for (int b : owner)
        n = std::max(n, b + 1);
    std::vector<long long> count((size_t)n, 0);
    for (int b : owner)
        if (b >= 0)
            count[(size_t)b]++;
    return count;
}

void CellArrangements::clear()
{
    inner.clear();
    face.clear();
    inner_ids.clear();
    face_ids.clear();
}

// Side (0 minus, 1 plus) of octant o along axis a (0 x, 1 y, 2 z).
static inline int side(int o, int a)
{
    return (o >> (2 - a)) & 1;
}

int layer_table_row(const Octants& o)
{
    int L = -1, mask = 0;
    for (int c = 0; c < 8; c++)
    {
        if (o[c] == CELL_OUTSIDE)
            return -1;
        if (o[c] == CELL_BASE)
            continue;
        if (L >= 0 && o[c] != L)
            return -1;
        L = o[c];
        mask |= 1 << c;
    }
    if (L < 0)
        return 0;
    // A block's cells round one of its nodes: per axis the plus side (the node on the block's
    // lowest plane, class 0), the minus side (highest plane, class 2) or both (inside, class 1).
    bool have[3][2] = {{false, false}, {false, false}, {false, false}};
    for (int c = 0; c < 8; c++)
        if (mask >> c & 1)
            for (int a = 0; a < 3; a++)
                have[a][side(c, a)] = true;
    int box = 0;
    for (int c = 0; c < 8; c++)
        if (have[0][side(c, 0)] && have[1][side(c, 1)] && have[2][side(c, 2)])
            box |= 1 << c;
    if (box != mask)
        return -1;
    int cls[3];
    for (int a = 0; a < 3; a++)
        cls[a] = (have[a][0] && have[a][1]) ? 1 : have[a][1] ? 0 : 2;
    return 27 * L + 9 * cls[0] + 3 * cls[1] + cls[2] + 1;
}

void for_each_node_cells(const TS3D& m, const CellOwners& cells, const std::vector<int>& layer,
                         const std::vector<double>& density, CellArrangements& arr,
                         const std::function<void(int, int, int, int, double)>& node)
{
    const NodeBox all = {{0, 0, 0}, {m.nx, m.ny, m.nz}};
    for_each_node_cells(m, cells, layer, density, arr, all, node);
}

void for_each_node_cells(const TS3D& m, const CellOwners& cells, const std::vector<int>& layer,
                         const std::vector<double>& density, CellArrangements& arr,
                         const NodeBox& box,
                         const std::function<void(int, int, int, int, double)>& node)
{
    const int inner_base = 27 * m.n_layers + 1;
    for (int i = box.lo[0]; i <= box.hi[0]; i++)
        for (int j = box.lo[1]; j <= box.hi[1]; j++)
            for (int k = box.lo[2]; k <= box.hi[2]; k++)
            {
                Octants o;
                int blocks[8], count[8], n_blocks = 0;
                for (int c = 0; c < 8; c++)
                {
                    int b = cells.octant_owner(i, j, k, c);
                    o[c] = b >= 0 ? layer[(size_t)b] : b;
                    if (b < 0)
                        continue;
                    int g = 0;
                    while (g < n_blocks && blocks[g] != b)
                        g++;
                    if (g == n_blocks)
                    {
                        blocks[n_blocks] = b;
                        count[n_blocks++] = 0;
                    }
                    count[g]++;
                }
                // (count/8)*density: exact for the 1, 2, 4 or 8 cells of a lone block
                double q0 = cells_power(blocks, count, n_blocks, density);

                int t = m.type_bc(i, j, k), id;
                if (t == 0)
                {
                    id = layer_table_row(o);
                    if (id < 0)
                    {
                        auto it = arr.inner_ids.emplace(o, (int)arr.inner.size()).first;
                        if (it->second == (int)arr.inner.size())
                            arr.inner.push_back(o);
                        id = inner_base + it->second;
                    }
                }
                else
                {
                    bool bare = std::all_of(o.begin(), o.end(), [](int v) { return v < 0; });
                    if (bare)
                        id = t;
                    else
                    {
                        auto it = arr.face_ids.emplace(o, (int)arr.face.size()).first;
                        if (it->second == (int)arr.face.size())
                            arr.face.push_back(o);
                        id = 27 + it->second;
                    }
                }
                node(i, j, k, id, q0);
            }
}

// ---- the cell rules -----------------------------------------------------------------------------
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
        if (side(oc, a) == s)
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
