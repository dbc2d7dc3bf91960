// tests/test_mmd.cpp: genmmd on graphs whose minimum-degree orders are known by hand
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sparse/mmd.h"
#include "tests/test_util.h"

namespace
{

typedef std::vector<std::pair<int, int>> Edges;

// Expects perm and invp to be inverse permutations of 1..n.
void expect_inverse_permutations(const MmdOrder& r, int n)
{
    std::vector<int> seen(n + 1, 0);
    for (int k = 1; k <= n; k++)
    {
        ASSERT_GE(r.perm[k], 1);
        ASSERT_LE(r.perm[k], n);
        EXPECT_EQ(0, seen[r.perm[k]]) << "node " << r.perm[k] << " placed twice";
        seen[r.perm[k]] = 1;
        EXPECT_EQ(k, r.invp[r.perm[k]]);
    }
}

// The star on n nodes around centre c.
Edges star(int n, int c)
{
    Edges e;
    for (int k = 1; k <= n; k++)
        if (k != c)
            e.push_back({c, k});
    return e;
}

} // namespace

// neqns = 0 returns 0 and leaves every array as it was.
TEST(Genmmd, NoNodesReturnsZeroAndWritesNothing)
{
    std::vector<int> a(4, 77);
    std::vector<int> xadj(2, 77), adjncy(1, 77), invp(1, 77), perm(1, 77);
    int nofsub = genmmd(0, xadj.data(), adjncy.data(), invp.data(), perm.data(), 1, a.data(),
                        a.data(), a.data(), a.data());
    EXPECT_EQ(0, nofsub);
    EXPECT_EQ(std::vector<int>(4, 77), a);
    EXPECT_EQ(std::vector<int>(2, 77), xadj);
    EXPECT_EQ(77, invp[0]);
    EXPECT_EQ(77, perm[0]);
}

// Without edges every node is isolated: the degree-0 list runs n, ..., 1 and nofsub is 0.
TEST(Genmmd, GraphWithoutEdgesIsNumberedBackwards)
{
    MmdOrder r = run_genmmd(adjacency_from_edges(5, Edges()));
    EXPECT_EQ(std::vector<int>({0, 5, 4, 3, 2, 1}), r.perm);
    EXPECT_EQ(std::vector<int>({0, 5, 4, 3, 2, 1}), r.invp);
    EXPECT_EQ(0, r.nofsub);
}

// Path 1-2-3: both ends go in the first pass (3 heads the degree-1 list), the middle last.
TEST(Genmmd, PathOfThreeOrdersEndsFirst)
{
    MmdOrder r = run_genmmd(adjacency_from_edges(3, {{1, 2}, {2, 3}}));
    EXPECT_EQ(std::vector<int>({0, 3, 1, 2}), r.perm);
    EXPECT_EQ(std::vector<int>({0, 2, 3, 1}), r.invp);
    EXPECT_EQ(2, r.nofsub);
}

// A star orders its centre last wherever the centre is numbered, with nofsub = n - 1.
TEST(Genmmd, StarOrdersCentreLast)
{
    for (int n = 3; n <= 9; n++)
    {
        const int centres[] = {1, (n + 1) / 2, n};
        for (int c : centres)
        {
            SCOPED_TRACE(testing::Message() << "star " << n << " centre " << c);
            MmdOrder r = run_genmmd(adjacency_from_edges(n, star(n, c)));
            EXPECT_EQ(c, r.perm[n]);
            EXPECT_EQ(n - 1, r.nofsub);
            expect_inverse_permutations(r, n);
        }
    }
}

// One edge: node 2 heads the degree-1 list and absorbs node 1, and the search for the next node
// reads dhead[3] = dhead[n + 1], inside the n + 2 heads allocated (a sanitizer run checks it).
TEST(Genmmd, SingleEdgeMergesIntoOneSupernode)
{
    MmdOrder r = run_genmmd(adjacency_from_edges(2, {{1, 2}}));
    EXPECT_EQ(std::vector<int>({0, 2, 1}), r.perm);
    EXPECT_EQ(1, r.nofsub);
}

// A complete graph is one supernode: node n first, the merged nodes after it in node order.
TEST(Genmmd, CompleteGraphIsOneSupernode)
{
    for (int n = 2; n <= 8; n++)
    {
        SCOPED_TRACE(testing::Message() << "complete " << n);
        Edges e;
        for (int a = 1; a <= n; a++)
            for (int b = a + 1; b <= n; b++)
                e.push_back({a, b});
        MmdOrder r = run_genmmd(adjacency_from_edges(n, e));
        std::vector<int> expected = {0, n};
        for (int k = 1; k < n; k++)
            expected.push_back(k);
        EXPECT_EQ(expected, r.perm);
        EXPECT_EQ(n - 1, r.nofsub);
    }
}

// A 4-cycle 1-2-3-4-1: 4 and 2 (not adjacent) go in the first pass, then 1 and 3 together.
TEST(Genmmd, CycleOfFourEliminatesOppositeCornersFirst)
{
    MmdOrder r = run_genmmd(adjacency_from_edges(4, {{1, 2}, {2, 3}, {3, 4}, {4, 1}}));
    EXPECT_EQ(4, r.perm[1]);
    EXPECT_EQ(2, r.perm[2]);
    expect_inverse_permutations(r, 4);
}

// perm and invp are inverse permutations on grids, large enough for the tag to be reset, and
// with other values of delta.
TEST(Genmmd, PermAndInvpAreInverseOnGrids)
{
    const int sizes[][3] = {{7, 7, 1}, {13, 5, 1}, {6, 6, 6}, {4, 9, 3}, {200, 200, 1}};
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

// The input adjacency is consumed: the caller's copy is what run_genmmd protects, so a second
// run on the same graph must give the same order.
TEST(Genmmd, SameGraphGivesSameOrder)
{
    AdjGraph g = adjacency_from_edges(64, grid_edges(8, 8, 1));
    MmdOrder a = run_genmmd(g);
    MmdOrder b = run_genmmd(g);
    EXPECT_EQ(a.perm, b.perm);
    EXPECT_EQ(a.nofsub, b.nofsub);
}
