// model/cells.cpp: cell ownership of the blocks, and the arrangements of the nodes' cells
#include "model/cells.h"

#include "model/TS3D.h"

#include <algorithm>

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
                have[a][octant_side(c, a)] = true;
    int box = 0;
    for (int c = 0; c < 8; c++)
        if (have[0][octant_side(c, 0)] && have[1][octant_side(c, 1)] && have[2][octant_side(c, 2)])
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
