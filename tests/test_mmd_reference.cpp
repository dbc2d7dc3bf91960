// tests/test_mmd_reference.cpp: genmmd against the published routine as compiled in libsuperlu
//
// The reference is called as a black box through its f2c calling convention: every argument by
// pointer, each array as a pointer to its element 1, maxint and nofsub as trailing pointers. Both
// orderings run on the same graph with the same delta and maxint 32768; perm, invp and nofsub
// must agree on every graph of the list built below (about 450 graphs).
#include <gtest/gtest.h>

#include <algorithm>
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

// The reference ordering of g, 1-based like run_genmmd's; dhead gets the same extra slots.
MmdOrder run_reference(const AdjGraph& g, int delta)
{
    int n = g.n, maxint = 32768;
    std::vector<int> xadj = g.xadj, adjncy = g.adjncy;
    std::vector<int> dhead(n + 1 + delta), qsize(n + 1), llist(n + 1), marker(n + 1);
    MmdOrder r{std::vector<int>(n + 1), std::vector<int>(n + 1), 0};
    genmmd_(&n, xadj.data() + 1, adjncy.data() + 1, r.invp.data() + 1, r.perm.data() + 1, &delta,
            dhead.data() + 1, qsize.data() + 1, llist.data() + 1, marker.data() + 1, &maxint,
            &r.nofsub);
    return r;
}

// A small portable generator (64-bit LCG), so the graphs are the same with every library.
struct Lcg
{
    uint64_t s;  // state
    // Uniform-enough integer in 0..m-1 from the high bits.
    int below(int m)
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return (int)((s >> 33) % (uint64_t)m);
    }
};

// Random graph on nodes 1..n with about n*avg_deg/2 distinct edges, listed in random order.
Edges random_edges(Lcg& rng, int n, double avg_deg)
{
    Edges edges;
    size_t want = std::min((size_t)(n * avg_deg / 2.0), (size_t)n * (n - 1) / 2);
    std::vector<char> seen((size_t)n * n, 0);
    while (edges.size() < want)
    {
        int a = rng.below(n), b = rng.below(n);
        if (a != b && !seen[a * n + b])
            edges.push_back({a + 1, b + 1});
        seen[a * n + b] = seen[b * n + a] = 1;
    }
    return edges;
}

// The complete graph on nodes 1..n.
Edges clique(int n)
{
    Edges edges;
    for (int a = 1; a <= n; a++)
        for (int b = a + 1; b <= n; b++)
            edges.push_back({a, b});
    return edges;
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

// One graph of the comparison.
struct Case
{
    const char* kind;  // what the graph is, for the failure message
    int n;             // nodes
    Edges edges;       // 1-based
    int delta;         // multiple-elimination slack passed to both orderings
};

// The graphs compared: random of varied size and density, paths, stars, no edges, complete
// graphs, several components, 2D and 3D grids with delta 0 to 3 (two 200 x 200 ones, where the
// tag is reset both in the elimination loop and in the degree update); paths and grids also
// under shuffled labels. About 450 graphs.
std::vector<Case> all_cases()
{
    std::vector<Case> cases;
    Lcg rng{20240605};
    auto add = [&](const char* kind, int n, const Edges& e, int delta = 1, bool shuffle = false)
    {
        cases.push_back({kind, n, e, delta});
        if (shuffle)
            cases.push_back({kind, n, shuffled_labels(rng, n, e), delta});
    };
    const double degs[] = {0.5, 1.0, 2.0, 3.0, 5.0, 8.0, 15.0, 40.0};
    for (int t = 0; t < 200; t++)
    {
        int n = 2 + rng.below(399);
        add("random", n, random_edges(rng, n, degs[t % 8]));
    }
    for (int t = 1; t <= 31; t++)
    {
        int n = t <= 30 ? t : 2000;
        add("path", n, grid_edges(n, 1, 1), 1, true);
    }
    for (int n = 2; n <= 25; n++)
        for (int c : {1, (n + 1) / 2, n})
            add("star", n, star_edges(n, c));
    for (int n = 1; n <= 12; n++)
        add("no edges", n, Edges());
    for (int n = 2; n <= 20; n++)
        add("complete", n, clique(n));   // its search runs to dhead[n + 1]
    for (int t = 0; t < 30; t++)
    {
        // cliques, paths and random pieces, then a few isolated nodes, all shuffled together
        Edges e;
        int n = 0;
        for (int parts = 2 + rng.below(6); parts > 0; parts--)
        {
            int size = 1 + rng.below(40), kind = rng.below(3);
            Edges piece = kind == 0   ? clique(size)
                          : kind == 1 ? grid_edges(size, 1, 1)
                                      : random_edges(rng, size, 3.0);
            for (const std::pair<int, int>& p : piece)
                e.push_back({n + p.first, n + p.second});
            n += size;
        }
        n += rng.below(5);
        add("components", n, shuffled_labels(rng, n, e));
    }
    for (int m = 2; m <= 12; m++)
        add("cube", m * m * m, grid_edges(m, m, m), 1, true);
    // nx, ny, nz, delta
    const int grids[][4] = {
        {1, 2, 1, 1}, {2, 2, 1, 1}, {3, 3, 1, 1}, {4, 7, 1, 1}, {5, 5, 1, 1}, {8, 8, 1, 1},
        {10, 3, 1, 1}, {12, 12, 1, 1}, {16, 9, 1, 1}, {20, 20, 1, 1}, {31, 17, 1, 1},
        {40, 25, 1, 1}, {5, 6, 7, 1}, {9, 9, 9, 0}, {9, 9, 9, 3}, {30, 30, 1, 0}, {200, 200, 1, 1}};
    for (const int* g : grids)
        add("grid", g[0] * g[1] * g[2], grid_edges(g[0], g[1], g[2]), g[3], true);
    return cases;
}

} // namespace

// Our genmmd and the reference give the same perm, invp and nofsub on every graph of the list.
TEST(GenmmdReference, SameOrderOnEveryGraph)
{
    std::vector<Case> cases = all_cases();
    for (size_t k = 0; k < cases.size(); k++)
    {
        const Case& c = cases[k];
        SCOPED_TRACE(testing::Message() << "graph " << k << ": " << c.kind << ", " << c.n
                                        << " nodes, delta " << c.delta);
        AdjGraph g = adjacency_from_edges(c.n, c.edges);
        MmdOrder ours = run_genmmd(g, c.delta);
        MmdOrder ref = run_reference(g, c.delta);
        EXPECT_EQ(ref.nofsub, ours.nofsub);
        EXPECT_EQ(ref.perm, ours.perm);
        EXPECT_EQ(ref.invp, ours.invp);
    }
}
