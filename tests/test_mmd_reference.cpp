// tests/test_mmd_reference.cpp: genmmd against the published routine as compiled in libsuperlu,
// called through its f2c convention (arguments by pointer, arrays from element 1, maxint and
// nofsub trailing) on the same graph with the same delta and maxint 32768.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "sparse/mmd.h"
#include "tests/test_util.h"

extern "C" int genmmd_(int* neqns, int* xadj, int* adjncy, int* invp, int* perm, int* delta,
                       int* dhead, int* qsize, int* llist, int* marker, int* maxint, int* nofsub);

typedef std::vector<std::pair<int, int>> Edges;

// The reference ordering of g, 1-based like run_genmmd's; dhead gets the same extra slots.
static MmdOrder run_reference(const AdjGraph& g, int delta)
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

static std::mt19937_64 rng(20240605); // raw output fixed by the standard: same graphs everywhere
static auto below = [](int m) { return (int)(rng() % (uint64_t)m); }; // integer in 0..m-1

// Random graph on nodes 1..n, about n*avg_deg/2 distinct edges (all if avg_deg >= n), in any order.
static Edges random_edges(int n, double avg_deg)
{
    Edges edges;
    size_t want = std::min((size_t)(n * avg_deg / 2.0), (size_t)n * (n - 1) / 2);
    std::vector<char> seen((size_t)n * n, 0);
    while (edges.size() < want)
    {
        int a = below(n), b = below(n);
        if (a != b && !seen[a * n + b])
            edges.push_back({a + 1, b + 1});
        seen[a * n + b] = seen[b * n + a] = 1;
    }
    return edges;
}

// Nodes relabelled by a random permutation, so that orderings do not start from a tidy numbering.
static Edges shuffled_labels(int n, Edges edges)
{
    std::vector<int> label(n + 1);
    std::iota(label.begin(), label.end(), 0);
    for (int k = n; k > 1; k--)
        std::swap(label[k], label[1 + below(k)]);
    for (std::pair<int, int>& e : edges)
        e = {label[e.first], label[e.second]};
    return edges;
}

// Same perm, invp and nofsub on every graph: random of varied size and density, no edges,
// several shuffled components (complete, path and random pieces, isolated nodes), 2D and 3D grids
// natural and shuffled with delta 1 or 3 (200 x 200 resets the tag both in the elimination loop
// and in the degree update).
TEST(GenmmdReference, SameOrderOnEveryGraph)
{
    int count = 0;
    auto check = [&](const char* kind, int n, const Edges& e, int delta, bool shuffle)
    {
        SCOPED_TRACE(testing::Message() << "graph " << count++ << ": " << kind << ", " << n
                                        << " nodes, delta " << delta << ", shuffled " << shuffle);
        AdjGraph g = adjacency_from_edges(n, shuffle ? shuffled_labels(n, e) : e);
        MmdOrder ours = run_genmmd(g, delta), ref = run_reference(g, delta);
        EXPECT_EQ(std::tie(ref.nofsub, ref.perm, ref.invp),
                  std::tie(ours.nofsub, ours.perm, ours.invp));
    };
    const double degs[] = {0.5, 1.0, 2.0, 3.0, 5.0, 8.0, 15.0, 40.0};
    for (int t = 0, n = 2 + below(399); t < 200; t++, n = 2 + below(399))
        check("random", n, random_edges(n, degs[t % 8]), 1, false);
    for (int n = 1; n <= 12; n++)
        check("no edges", n, Edges(), 1, false);
    for (int t = 0, n = 0; t < 30; t++, n = 0)
    {
        Edges e;
        for (int parts = 2 + below(6), size, kind; parts > 0; parts--, n += size)
        {
            size = 1 + below(40), kind = below(3);
            for (const std::pair<int, int>& p :
                 kind == 1 ? grid_edges(size, 1, 1) : random_edges(size, kind ? 3.0 : size))
                e.push_back({n + p.first, n + p.second});
        }
        check("components", n + below(5), e, 1, true);
    }
    const int grids[][4] = {{1, 2, 1, 1},    {2000, 1, 1, 1}, {3, 3, 1, 1},   {4, 7, 1, 1},
                            {8, 8, 1, 1},    {16, 9, 1, 1},   {31, 17, 1, 1}, {5, 6, 7, 1},
                            {12, 12, 12, 1}, {9, 9, 9, 3},    {30, 30, 1, 3}, {200, 200, 1, 1}};
    for (const int* d : grids) // nx, ny, nz, delta
        for (bool shuffle : {false, true})
            check("grid", d[0] * d[1] * d[2], grid_edges(d[0], d[1], d[2]), d[3], shuffle);
}
