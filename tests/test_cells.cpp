// tests/test_cells.cpp: the cell rules against an assembly of the steady equations cell by cell
#include "adi/TSdg_sweeps.h"
#include "model/cells.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace
{

// Steady state of the model of s, assembled cell by cell without the cell rules: every cell adds
// to the eight nodes at its corners its conductances along its twelve edges (k * quarter face /
// length), its power (q V / 8 each) and, on a face of the grid, h times a quarter of its face.
// Each cell's layer (CELL_BASE: the base) and power density are given, cells ck fastest; solved
// densely.
std::vector<double> reference_steady(const TSdg& s, const std::vector<int>& layer_of_cell,
                                     const std::vector<double>& q_of_cell)
{
    const int last[3] = {s.nx, s.ny, s.nz}, n = s.n_nodes;
    const double d[3] = {s.dx, s.dy, s.dz};
    auto node = [&](const int* v) { return (v[0] * (s.ny + 1) + v[1]) * (s.nz + 1) + v[2]; };
    std::vector<double> M((size_t)n * n, 0.0), b(n, 0.0);
    auto A = [&](int r, int q) -> double& { return M[(size_t)r * n + q]; };
    for (int ci = 0, c = 0; ci < s.nx; ci++)
        for (int cj = 0; cj < s.ny; cj++)
            for (int ck = 0; ck < s.nz; ck++, c++)
            {
                int L = layer_of_cell[c];
                double kc = L < 0 ? s.k : s.layers[L].k;
                for (int o = 0; o < 8; o++)
                {
                    int v[3] = {ci + (o >> 2 & 1), cj + (o >> 1 & 1), ck + (o & 1)}, p = node(v);
                    b[p] += q_of_cell[c] * s.dx * s.dy * s.dz / 8.0;
                    for (int a = 0; a < 3; a++)
                    {
                        double quarter = d[(a + 1) % 3] * d[(a + 2) % 3] / 4.0;
                        // the edge along a from this corner to the cell's other corner
                        int w[3] = {v[0], v[1], v[2]};
                        w[a] += (o >> (2 - a) & 1) ? -1 : 1;
                        A(p, p) += kc * quarter / d[a];
                        A(p, node(w)) -= kc * quarter / d[a];
                        // convection through the face of the grid the corner lies on along a
                        if (v[a] == 0 || v[a] == last[a])
                        {
                            double h = s.h[2 * a + (v[a] == 0)];
                            A(p, p) += h * quarter;
                            b[p] += h * quarter * s.T_amb;
                        }
                    }
                }
            }
    for (int c = 0; c < n; c++) // Gaussian elimination, the matrix is symmetric positive definite
        for (int r = c + 1; r < n; r++)
        {
            double f = A(r, c) / A(c, c);
            for (int q = c; q < n; q++)
                A(r, q) -= f * A(c, q);
            b[r] -= f * b[c];
        }
    std::vector<double> T(n);
    for (int r = n - 1; r >= 0; r--)
    {
        for (int q = r + 1; q < n; q++)
            b[r] -= A(r, q) * T[q];
        T[r] = b[r] / A(r, r);
    }
    return T;
}

} // namespace

// Blocks touching each other and the faces, overlapping, three materials meeting at a node and a
// block zero intervals thick: a long ADI run settles where the cell-by-cell equations put it, and
// the heat leaving the faces equals the power of the cells.
TEST(Cells, LongRunMatchesCellByCellSteadyState)
{
    ScratchDir dir;
    DataText t;
    t.grid = "6 5 4";
    t.spacing = "1e-4 2e-4 5e-5";
    t.dt = "2e-3";
    t.h = "1e3 2e4 3e3 4e4 5e5 6e3";
    struct
    {
        const char* line; // the block as the input file states it
        int i0, i1, j0, j1, k0, k1, L;
        double q;
    } own[] = {{"a 0 0 0 3 5 2 CU 1e11\n", 0, 3, 0, 5, 0, 2, 9, 1e11},     // on four faces
               {"b 3 0 0 6 3 2 OXIDE 2e11\n", 3, 6, 0, 3, 0, 2, 3, 2e11},  // touches a, on faces
               {"c 2 2 1 5 4 3 ACTIVE 5e10\n", 2, 5, 2, 4, 1, 3, 2, 5e10}, // three materials meet
               {"d 1 1 4 5 4 4 M1 3e11\n", 1, 5, 1, 4, 3, 4, 4, 3e11}};    // zero thickness at top
    // the cells each block owns, later blocks winning, as the reference sees them
    std::string blocks;
    std::vector<int> layer(6 * 5 * 4, CELL_BASE);
    std::vector<double> q(layer.size(), 0.0);
    for (const auto& o : own)
    {
        blocks += o.line;
        for (int i = o.i0; i < o.i1; i++)
            for (int j = o.j0; j < o.j1; j++)
                for (int k = o.k0; k < o.k1; k++)
                {
                    layer[(i * 5 + j) * 4 + k] = o.L;
                    q[(i * 5 + j) * 4 + k] = o.q;
                }
    }
    CoutCapture quiet;
    std::unique_ptr<TSdg> s = read_model(t, blocks);
    std::vector<double> want = reference_steady(*s, layer, q);

    for (int l = 0; l < s->n_layers; l++)
        s->Build_DG_C(s->layers[l]);
    s->Build_cell_rows(s->coef);
    s->Build_BC();
    s->Build_face_rows();
    double tau = (s->rho * s->cp * pow(s->dx, 2.0)) / (s->k * s->dt);
    adi::Sweeps sweeps(*s);
    for (int step = 0; step < 4000; step++)
        sweeps.step(tau);
    double worst = 0.0;
    for (size_t p = 0; p < want.size(); p++)
        worst = std::max(worst, std::fabs(s->T[0][0][p] - want[p]) /
                                    std::fabs(want[p] - s->T_amb + 1e-300));
    EXPECT_LT(worst, 1e-8);
    // heat out through the faces against the cells' power
    double power = 0.0;
    for (double qc : q)
        power += qc * s->dx * s->dy * s->dz;
    EXPECT_NEAR(1.0, heat_out(*s) / power, 1e-9);
}

namespace
{

// A node's row as its own values: the 8 of its inner row or the 11 of its face row.
std::vector<double> row_values(TS3D& m, int id, bool face)
{
    if (face)
        return std::vector<double>(m.face_row(id), m.face_row(id) + 11);
    std::vector<double> table(8 * (27 * (size_t)m.n_layers + 1 + m.cells.inner.size()), 0.0);
    std::vector<double*> coef(table.size() / 8);
    for (size_t r = 0; r < coef.size(); r++)
        coef[r] = table.data() + 8 * r;
    for (int l = 0; l < m.n_layers; l++)
        m.Build_layer_rows(m.layers[l], coef.data());
    m.Build_cell_rows(coef.data());
    return std::vector<double>(coef[(size_t)id], coef[(size_t)id] + 8);
}

} // namespace

// A distributed run walks only the nodes of its own box: every box of a split of the grid gives
// each of its nodes, bit for bit, the row and power the walk of the whole grid gives it, where
// blocks overlap, meet, touch the faces and cross the boxes' borders.
TEST(Cells, BoxWalkGivesTheWholeWalksRowsAndPower)
{
    TS3D m(7, 6, 5, 1e-3, 25.0);
    m.Build_BC();
    std::vector<BlockRecord> blocks = {{"a", 0, 0, 0, 4, 6, 2, "", 0.0, 1},
                                       {"b", 3, 1, 1, 7, 4, 3, "", 0.0, 2},
                                       {"c", 2, 2, 5, 5, 5, 5, "", 0.0, 3},
                                       {"d", 1, 4, 2, 6, 6, 4, "", 0.0, 4}};
    const std::vector<int> layer = {9, 3, 2, 4};
    const std::vector<double> density = {1e11, 3e10, 2e11, 7e10};
    // a walk's nodes, each with its power and its row once the walk is over
    typedef std::map<std::array<int, 3>, std::pair<double, std::vector<double>>> Walk;
    std::map<std::array<int, 3>, int> id_of;
    Walk whole, part, *into = &whole;
    auto visit = [&](int i, int j, int k, int id, double q)
    {
        id_of[{i, j, k}] = id;
        (*into)[{i, j, k}].first = q;
    };
    auto read_rows = [&]()
    {
        m.Build_face_rows();
        for (auto& n : *into)
            n.second.second =
                row_values(m, id_of[n.first], m.type_bc(n.first[0], n.first[1], n.first[2]) != 0);
    };
    m.assign_blocks(blocks, layer, density, visit);
    read_rows();
    const int cut[3][3] = {{0, 3, 7}, {0, 2, 6}, {0, 4, 5}}; // boxes lo..hi along each axis
    size_t seen = 0;
    for (int a = 0; a < 2; a++)
        for (int b = 0; b < 2; b++)
            for (int c = 0; c < 2; c++)
            {
                NodeBox box = {{cut[0][a] + a, cut[1][b] + b, cut[2][c] + c},
                               {cut[0][a + 1], cut[1][b + 1], cut[2][c + 1]}};
                part.clear();
                into = &part;
                m.assign_blocks(box, blocks, layer, density, visit);
                read_rows();
                for (const auto& n : part)
                    EXPECT_EQ(whole[n.first], n.second)
                        << n.first[0] << " " << n.first[1] << " " << n.first[2];
                seen += part.size();
            }
    EXPECT_EQ(whole.size(), seen);
}
