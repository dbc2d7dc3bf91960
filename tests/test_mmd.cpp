// tests/test_mmd.cpp: genmmd on graphs whose minimum-degree orders are known by hand
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sparse/mmd.h"
#include "tests/test_util.h"

namespace
{

typedef std::vector<std::pair<int, int>> Edges;
typedef std::vector<int> Ints;

// Expects perm and invp to be inverse permutations of 1..n (which also makes each one-to-one).
void expect_inverse_permutations(const MmdOrder& r, int n)
{
    for (int k = 1; k <= n; k++)
    {
        ASSERT_TRUE(r.perm[k] >= 1 && r.perm[k] <= n) << "perm[" << k << "] = " << r.perm[k];
        EXPECT_EQ(k, r.invp[r.perm[k]]) << "node " << r.perm[k];
    }
}

} // namespace

// neqns = 0 returns 0 and writes nothing: every array aliases one buffer that must stay as it was.
TEST(Genmmd, NoNodesReturnsZeroAndWritesNothing)
{
    Ints a(8, 77);
    int* p = a.data();
    EXPECT_EQ(0, genmmd(0, p, p, p, p, 1, p, p, p, p));
    EXPECT_EQ(Ints(8, 77), a);
}

// Orders worked by hand, perm and invp inverse in each:
// - no edges: the degree-0 list runs n, ..., 1, nothing is counted;
// - path 1-2-3: both ends in the first pass (3 heads the degree-1 list), the middle last;
// - one edge: 2 heads the degree-1 list and absorbs 1; the search for the next node then reads
//   dhead[n + 1], inside the n + 2 heads allocated (a sanitizer run checks it);
// - complete graph: one supernode, node n first and the merged nodes after it in node order;
// - 4-cycle: 4 and 2 (not adjacent) in the first pass, then 3 with 1 merged into it.
TEST(Genmmd, HandWorkedOrders)
{
    auto check = [](int n, const Edges& edges, const Ints& perm, int nofsub)
    {
        SCOPED_TRACE(testing::Message() << n << " nodes, " << edges.size() << " edges");
        MmdOrder r = run_genmmd(adjacency_from_edges(n, edges));
        EXPECT_EQ(perm, Ints(r.perm.begin() + 1, r.perm.end()));
        EXPECT_EQ(nofsub, r.nofsub);
        expect_inverse_permutations(r, n);
    };
    check(5, {}, {5, 4, 3, 2, 1}, 0);
    check(3, {{1, 2}, {2, 3}}, {3, 1, 2}, 2);
    check(2, {{1, 2}}, {2, 1}, 1);
    check(5, {{1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 3}, {2, 4}, {2, 5}, {3, 4}, {3, 5}, {4, 5}},
          {5, 1, 2, 3, 4}, 4);
    check(4, {{1, 2}, {2, 3}, {3, 4}, {4, 1}}, {4, 2, 3, 1}, 5);
}

// A star orders its centre last wherever the centre is numbered, with nofsub = n - 1.
TEST(Genmmd, StarOrdersCentreLast)
{
    for (int n : {3, 4, 7})
        for (int c : {1, (n + 1) / 2, n})
        {
            SCOPED_TRACE(testing::Message() << "star " << n << " centre " << c);
            MmdOrder r = run_genmmd(adjacency_from_edges(n, star_edges(n, c)));
            EXPECT_EQ(c, r.perm[n]);
            EXPECT_EQ(n - 1, r.nofsub);
            expect_inverse_permutations(r, n);
        }
}

// perm and invp are inverse permutations on 2D and 3D grids, on one (200 x 200) large enough for
// the tag to be reset, and with delta 0, 1 and 2.
TEST(Genmmd, PermAndInvpAreInverseOnGrids)
{
    const int sizes[][3] = {{13, 5, 1}, {6, 6, 6}, {4, 9, 3}, {200, 200, 1}};
    for (const int* s : sizes)
    {
        int n = s[0] * s[1] * s[2];
        AdjGraph g = adjacency_from_edges(n, grid_edges(s[0], s[1], s[2]));
        for (int delta = 0; delta <= 2; delta++)
        {
            SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1] << "x" << s[2] << " delta "
                                            << delta);
            MmdOrder r = run_genmmd(g, delta);
            expect_inverse_permutations(r, n);
            EXPECT_GE(r.nofsub, n - 1);
        }
    }
}
