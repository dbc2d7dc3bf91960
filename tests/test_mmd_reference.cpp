// tests/test_mmd_reference.cpp: genmmd against the published routine as compiled in libsuperlu
//
// The reference is called as a black box through its f2c calling convention: every argument by
// pointer, each array as a pointer to its element 1, maxint and nofsub as trailing pointers. Both
// orderings run on the same graph with delta 1 and maxint 32768; perm, invp and nofsub must agree.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sparse/mmd.h"
#include "tests/test_util.h"

extern "C" int genmmd_(int* neqns, int* xadj, int* adjncy, int* invp, int* perm, int* delta,
                       int* dhead, int* qsize, int* llist, int* marker, int* maxint, int* nofsub);

namespace
{

typedef std::vector<std::pair<int, int>> Edges;

// The reference ordering of g, 1-based like run_genmmd's; dhead gets the same extra slot.
MmdOrder run_reference(const AdjGraph& g, int delta)
{
    int n = g.n;
    std::vector<int> xadj = g.xadj;
    std::vector<int> adjncy = g.adjncy;
    std::vector<int> dhead(n + 1 + delta), qsize(n + 1), llist(n + 1), marker(n + 1);
    MmdOrder r;
    r.perm.assign(n + 1, 0);
    r.invp.assign(n + 1, 0);
    r.nofsub = 0;
    int maxint = 32768;
    genmmd_(&n, xadj.data() + 1, adjncy.data() + 1, r.invp.data() + 1, r.perm.data() + 1, &delta,
            dhead.data() + 1, qsize.data() + 1, llist.data() + 1, marker.data() + 1, &maxint,
            &r.nofsub);
    return r;
}

// Orders the graph (n, edges) both ways and expects the same perm, invp and nofsub.
void expect_same_order(const std::string& name, int n, const Edges& edges, int delta = 1)
{
    SCOPED_TRACE(name);
    AdjGraph g = adjacency_from_edges(n, edges);
    MmdOrder ours = run_genmmd(g, delta);
    MmdOrder ref = run_reference(g, delta);
    EXPECT_EQ(ref.nofsub, ours.nofsub);
    EXPECT_EQ(ref.perm, ours.perm);
    EXPECT_EQ(ref.invp, ours.invp);
}

// A small portable generator (64-bit LCG), so the graphs are the same with every library.
struct Lcg
{
    uint64_t s;
    explicit Lcg(uint64_t seed) : s(seed) {}
    // Uniform-enough integer in 0..m-1 from the high bits.
    int below(int m)
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return (int)((s >> 33) % (uint64_t)m);
    }
};

// Random graph on n nodes with about n*avg_deg/2 distinct edges, listed in random order.
Edges random_edges(Lcg& rng, int n, double avg_deg)
{
    Edges edges;
    if (n < 2)
        return edges;
    long want = (long)(n * avg_deg / 2.0);
    long max_edges = (long)n * (n - 1) / 2;
    if (want > max_edges)
        want = max_edges;
    std::vector<std::vector<char>> seen(n + 1, std::vector<char>(n + 1, 0));
    while ((long)edges.size() < want)
    {
        int a = 1 + rng.below(n);
        int b = 1 + rng.below(n);
        if (a == b || seen[a][b])
            continue;
        seen[a][b] = seen[b][a] = 1;
        edges.push_back({a, b});
    }
    return edges;
}

// The complete graph on nodes first..last.
void add_clique(Edges& edges, int first, int last)
{
    for (int a = first; a <= last; a++)
        for (int b = a + 1; b <= last; b++)
            edges.push_back({a, b});
}

// Nodes relabelled by a random permutation, so that orderings do not start from a tidy numbering.
Edges shuffled_labels(Lcg& rng, int n, const Edges& edges)
{
    std::vector<int> label(n + 1);
    for (int k = 1; k <= n; k++)
        label[k] = k;
    for (int k = n; k > 1; k--)
        std::swap(label[k], label[1 + rng.below(k)]);
    Edges out;
    for (const std::pair<int, int>& e : edges)
        out.push_back({label[e.first], label[e.second]});
    return out;
}

} // namespace

// 200 random graphs of 2 to 400 nodes, average degrees from 0.5 to well past half full.
TEST(GenmmdReference, RandomGraphs)
{
    Lcg rng(20240605);
    const double degs[] = {0.5, 1.0, 2.0, 3.0, 5.0, 8.0, 15.0, 40.0};
    for (int t = 0; t < 200; t++)
    {
        int n = 2 + rng.below(399);
        double d = degs[t % 8];
        expect_same_order("random " + std::to_string(t), n, random_edges(rng, n, d));
    }
}

// Paths of 1 to 30 nodes in natural and shuffled numbering, and one of 2000 nodes.
TEST(GenmmdReference, Paths)
{
    Lcg rng(7);
    for (int n = 1; n <= 30; n++)
    {
        Edges e;
        for (int k = 1; k < n; k++)
            e.push_back({k, k + 1});
        expect_same_order("path " + std::to_string(n), n, e);
        expect_same_order("shuffled path " + std::to_string(n), n, shuffled_labels(rng, n, e));
    }
    Edges e;
    for (int k = 1; k < 2000; k++)
        e.push_back({k, k + 1});
    expect_same_order("path 2000", 2000, e);
}

// Stars of 2 to 25 nodes with the centre first, in the middle and last.
TEST(GenmmdReference, Stars)
{
    for (int n = 2; n <= 25; n++)
    {
        const int centres[] = {1, (n + 1) / 2, n};
        for (int c : centres)
        {
            Edges e;
            for (int k = 1; k <= n; k++)
                if (k != c)
                    e.push_back({c, k});
            expect_same_order("star " + std::to_string(n) + " centre " + std::to_string(c), n, e);
        }
    }
}

// Graphs without edges, and complete graphs (whose search runs to dhead[n + 1]).
TEST(GenmmdReference, EmptyAndCompleteGraphs)
{
    for (int n = 1; n <= 12; n++)
        expect_same_order("no edges " + std::to_string(n), n, Edges());
    for (int n = 2; n <= 20; n++)
    {
        Edges e;
        add_clique(e, 1, n);
        expect_same_order("complete " + std::to_string(n), n, e);
    }
}

// Several components: cliques, paths, random pieces and isolated nodes, shuffled together.
TEST(GenmmdReference, SeveralComponents)
{
    Lcg rng(99);
    for (int t = 0; t < 30; t++)
    {
        Edges e;
        int n = 0;
        int parts = 2 + rng.below(6);
        for (int p = 0; p < parts; p++)
        {
            int size = 1 + rng.below(40);
            int kind = rng.below(3);
            if (kind == 0)
                add_clique(e, n + 1, n + size);
            else if (kind == 1)
                for (int k = n + 1; k < n + size; k++)
                    e.push_back({k, k + 1});
            else
                for (const std::pair<int, int>& r : random_edges(rng, size, 3.0))
                    e.push_back({n + r.first, n + r.second});
            n += size;
        }
        n += rng.below(5);   // a few isolated nodes at the end
        expect_same_order("components " + std::to_string(t), n, shuffled_labels(rng, n, e));
    }
}

// 2D grids from 1 x 2 to 40 x 25, natural and shuffled numbering.
TEST(GenmmdReference, PlaneGrids)
{
    Lcg rng(3);
    const int sizes[][2] = {{1, 2}, {2, 2}, {3, 3}, {4, 7}, {5, 5}, {8, 8}, {10, 3}, {12, 12},
                            {16, 9}, {20, 20}, {31, 17}, {40, 25}};
    for (const int* s : sizes)
    {
        Edges e = grid_edges(s[0], s[1], 1);
        int n = s[0] * s[1];
        std::string name = "grid " + std::to_string(s[0]) + "x" + std::to_string(s[1]);
        expect_same_order(name, n, e);
        expect_same_order("shuffled " + name, n, shuffled_labels(rng, n, e));
    }
}

// 3D grids from 2 x 2 x 2 to 12 x 12 x 12, and a few with delta 0 and 3.
TEST(GenmmdReference, SpaceGrids)
{
    Lcg rng(5);
    for (int m = 2; m <= 12; m++)
    {
        int n = m * m * m;
        Edges e = grid_edges(m, m, m);
        expect_same_order("grid " + std::to_string(m) + "^3", n, e);
        expect_same_order("shuffled grid " + std::to_string(m) + "^3", n,
                          shuffled_labels(rng, n, e));
    }
    expect_same_order("grid 5x6x7", 210, grid_edges(5, 6, 7));
    expect_same_order("grid 9^3 delta 0", 729, grid_edges(9, 9, 9), 0);
    expect_same_order("grid 9^3 delta 3", 729, grid_edges(9, 9, 9), 3);
    expect_same_order("grid 30x30 delta 0", 900, grid_edges(30, 30, 1), 0);
}

// 200 x 200 grid, 40,000 nodes: the tag passes 32768 and is reset during the ordering.
TEST(GenmmdReference, LargeGridResetsTag)
{
    expect_same_order("grid 200x200", 40000, grid_edges(200, 200, 1));
    Lcg rng(11);
    expect_same_order("shuffled grid 34^3", 39304, shuffled_labels(rng, 39304,
                                                                   grid_edges(34, 34, 34)));
}

