// tests/test_orderings.cpp: the SSMat orderings (CM, RCM, MMD), permute and mapping
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "sparse/SSMat.h"
#include "sparse/mmd.h"
#include "tests/test_util.h"

typedef std::vector<int> Ints;

// CM by hand, RCM its reverse: lower neighbours queued before upper ones (3 reaches 1 before 5);
// a new component starts at its lowest unvisited node (2, then the isolated 7, then 8); a node
// reached from two others (9, from 10 and 11) is queued once.
TEST(SSMatCM, HandWorkedOrderAndReverse)
{
    const int edges[][2] = {{0, 3},  {1, 3},  {3, 5},  {1, 6},  {2, 4},
                            {8, 10}, {8, 11}, {9, 10}, {9, 11}, {9, 12}};
    SSMat A(13);
    for (const int* e : edges)
        A.insertEntry(e[0], e[1], 1.0);
    A.sort();
    const Ints expected = {0, 3, 1, 5, 6, 2, 4, 7, 8, 10, 11, 9, 12};
    Ints cm(13), rcm(13);
    A.CM(cm.data());
    A.RCM(rcm.data());
    EXPECT_EQ(expected, cm);
    EXPECT_EQ(Ints(expected.rbegin(), expected.rend()), rcm);
}

// MMD is genmmd on the matrix graph, 0-based; diagonal entries play no part (some left out).
TEST(SSMatMMD, MatchesGenmmdOnTheMatrixGraph)
{
    MmdOrder r = run_genmmd(adjacency_from_edges(9 * 7 * 3, grid_edges(9, 7, 3)));
    std::unique_ptr<SSMat> A(grid_matrix(9, 7, 3, 6.0));
    Ints expected(r.perm.begin() + 1, r.perm.end()), perm(A->n);
    for (int& k : expected)
        k--;
    for (int k = 0; k < A->n; k += 3)
        A->deleteEntry(k, k);
    A->MMD(perm.data());
    EXPECT_EQ(expected, perm);
}

// R(k, l) = A(old[k], old[l]) exactly, sorted; old is perm for permute and, for mapping, the
// old row written last to each new row: rows mapped to -1 drop out (0, 2, 3 kept in reverse);
// merging rows 1 and 2 leaves R(0, 1) = A(0, 2), written after A(0, 1). Not a permutation, or a
// map value below -1 or >= m (m = 2 there): null and a line naming the operation.
TEST(SSMatPermute, PermuteAndMappingTakeRows)
{
    std::unique_ptr<SSMat> A = sorted_matrix(
        4,
        {{0, 0, 1}, {0, 1, 2}, {0, 2, 3}, {1, 1, 4}, {1, 3, 5}, {2, 2, 6}, {2, 3, 7}, {3, 3, 8}});
    const std::vector<double> a = dense_of(A.get());
    const std::tuple<bool, Ints, Ints> cases[] = {
        // permute?, perm or map, old ({}: refused)
        {true, {3, 0, 2, 1}, {3, 0, 2, 1}}, {false, {2, -1, 1, 0}, {3, 2, 0}},
        {false, {0, 1, 1, 2}, {0, 2, 3}},   {true, {0, 0, 2, 3}, {}},
        {true, {0, 1, 2, 4}, {}},           {true, {-1, 1, 2, 3}, {}},
        {false, {0, 1, 2, -1}, {}},         {false, {0, -2, 1, 1}, {}}};
    for (auto [permute, v, old] : cases)
    {
        SCOPED_TRACE(testing::PrintToString(v));
        int m = old.empty() ? 2 : (int)old.size();
        testing::internal::CaptureStderr();
        std::unique_ptr<SSMat> R(permute ? A->permute(v.data()) : A->mapping(v.data(), m));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(old.empty(), R == nullptr);
        EXPECT_EQ(old.empty(), err.find(permute ? "permute" : "mapping") != std::string::npos);
        if (R == nullptr || old.empty())
            continue;
        std::vector<double> r = dense_of(R.get());
        for (int k = 0; k < m * m; k++)
            EXPECT_EQ(a[old[k / m] * 4 + old[k % m]], r[k]) << k;
        EXPECT_EQ("", sorted_state_error(R.get()));
    }
}
