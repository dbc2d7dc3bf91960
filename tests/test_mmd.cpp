// tests/test_mmd.cpp: genmmd on graphs whose minimum-degree orders are known by hand
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "sparse/mmd.h"
#include "tests/test_util.h"

typedef std::vector<int> Ints;

// Orders by hand (perm and invp inverse in each): no edges gives n, ..., 1; a path its ends
// first; one edge reads dhead[n + 1] (inside the n + 2 heads, a sanitizer run checks it); the
// complete graph is one supernode after node n; the 4-cycle 4 and 2, then 3 with 1 merged; a
// star its centre last wherever numbered.
TEST(Genmmd, HandWorkedOrders)
{
    const std::vector<std::pair<int, int>> k5 = {{1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 3},
                                                 {2, 4}, {2, 5}, {3, 4}, {3, 5}, {4, 5}};
    const std::tuple<int, std::vector<std::pair<int, int>>, Ints, int> cases[] = {
        {5, {}, {5, 4, 3, 2, 1}, 0},
        {3, {{1, 2}, {2, 3}}, {3, 1, 2}, 2},
        {2, {{1, 2}}, {2, 1}, 1},
        {5, k5, {5, 1, 2, 3, 4}, 4},
        {4, {{1, 2}, {2, 3}, {3, 4}, {4, 1}}, {4, 2, 3, 1}, 5},
        {5, star_edges(5, 3), {5, 4, 2, 1, 3}, 4},
    };
    for (const auto& c : cases)
    {
        int n = std::get<0>(c);
        MmdOrder r = run_genmmd(adjacency_from_edges(n, std::get<1>(c)));
        ASSERT_EQ(std::get<2>(c), Ints(r.perm.begin() + 1, r.perm.end())) << n;
        EXPECT_EQ(std::get<3>(c), r.nofsub) << n;
        for (int k = 1; k <= n; k++)
            EXPECT_EQ(k, r.invp[r.perm[k]]) << n;
    }
}
