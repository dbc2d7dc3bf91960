// tests/test_orderings.cpp: intQueue and the SSMat orderings (CM, RCM, MMD), permute and mapping
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "sparse/SSMat.h"
#include "sparse/intQueue.h"
#include "sparse/mmd.h"
#include "tests/test_util.h"

namespace
{

typedef std::vector<int> Ints;
typedef std::vector<std::pair<int, int>> Pairs;

// Sorted n x n matrix with value -1 - 0.01*(i + j) at each upper pair (i, j) listed (0-based),
// so that every entry is told apart by its value, and 8 + k on the diagonal at every k that is
// a multiple of diag_step (all of them by default).
SSMat* matrix_from_pairs(int n, const Pairs& pairs, int diag_step = 1)
{
    SSMat* A = new SSMat(n);
    for (int k = 0; k < n; k += diag_step)
        A->insertEntry(k, k, 8.0 + k);
    for (const std::pair<int, int>& p : pairs)
        A->insertEntry(p.first, p.second, -1.0 - 0.01 * (p.first + p.second));
    A->sort();
    return A;
}

// Upper pairs (0-based) of the 7-point grid of nx x ny x nz nodes.
Pairs grid_pairs(int nx, int ny, int nz)
{
    Pairs pairs;
    for (const std::pair<int, int>& e : grid_edges(nx, ny, nz))
        pairs.push_back({e.first - 1, e.second - 1});
    return pairs;
}

// Expects R, of m rows, to hold R(k, l) = A(old_of[k], old_of[l]) and nothing else, sorted.
void expect_taken_from(SSMat* A, SSMat* R, const Ints& old_of)
{
    ASSERT_NE(nullptr, R);
    int m = (int)old_of.size(), nnz = 0;
    std::vector<double> a = dense_of(A), expected((size_t)m * m);
    for (int k = 0; k < m; k++)
        for (int l = 0; l < m; l++)
        {
            expected[k * m + l] = a[old_of[k] * A->n + old_of[l]];
            nnz += l >= k && expected[k * m + l] != 0.0;
        }
    EXPECT_EQ(expected, dense_of(R));
    EXPECT_EQ(nnz, R->nnz);
    EXPECT_EQ("", sorted_state_error(R));
}

// Expects make() to return null and to say on standard error which operation refused.
template <class Make>
void expect_refused(Make make, const char* operation)
{
    testing::internal::CaptureStderr();
    SSMat* R = make();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(nullptr, R);
    EXPECT_NE(std::string::npos, err.find(operation)) << err;
    delete R;
}

} // namespace

// ---- intQueue ----------------------------------------------------------------------------------

// Values leave in the order they came, interleaved with arrivals; dequeue from an empty queue,
// fresh or drained, returns -1 and leaves front and back null, and the queue stays usable.
TEST(IntQueue, FirstInFirstOutAndMinusOneWhenEmpty)
{
    intQueue q;
    EXPECT_EQ(-1, q.dequeue());
    q.enqueue(4);
    q.enqueue(-7);
    EXPECT_EQ(4, q.dequeue());
    q.enqueue(9);
    Ints out;
    for (int k = 0; k < 3; k++)
        out.push_back(q.dequeue());
    EXPECT_EQ(Ints({-7, 9, -1}), out);
    EXPECT_EQ(nullptr, q.front);
    EXPECT_EQ(nullptr, q.back);
    q.enqueue(5);
    EXPECT_EQ(5, q.dequeue());
}

// ---- Cuthill-McKee -----------------------------------------------------------------------------

// CM orders by hand, and RCM their reverse: a diagonal matrix gives the identity (each node its
// own component), a tridiagonal one the natural order; stored (0,2), (1,2) give 0, its upper
// neighbour 2, then 2's lower 1; lower neighbours are queued before upper ones (3 reaches 1
// before 5) and a second component starts at its lowest node (2 waits for its own); a node
// reached from two others is queued once (1, lower neighbour of both 2 and 3).
TEST(SSMatCM, HandWorkedOrdersAndReverse)
{
    auto check = [](int n, const Pairs& pairs, const Ints& cm)
    {
        SSMat* A = matrix_from_pairs(n, pairs);
        Ints perm(n);
        A->CM(perm.data());
        EXPECT_EQ(cm, perm);
        A->RCM(perm.data());
        EXPECT_EQ(Ints(cm.rbegin(), cm.rend()), perm);
        delete A;
    };
    check(5, {}, {0, 1, 2, 3, 4});
    check(6, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}, {0, 1, 2, 3, 4, 5});
    check(3, {{0, 2}, {1, 2}}, {0, 2, 1});
    check(7, {{0, 3}, {1, 3}, {3, 5}, {1, 6}, {2, 4}}, {0, 3, 1, 5, 6, 2, 4});
    check(5, {{0, 2}, {0, 3}, {1, 2}, {1, 3}, {1, 4}}, {0, 2, 3, 1, 4});
}

// ---- multiple minimum degree -------------------------------------------------------------------

// Small matrices by hand: no off-diagonal entries orders n-1, ..., 0; the path 0-1-2 its ends
// first (2, then 0); an arrow matrix (row 0 full) is a star whose centre 0 comes last.
TEST(SSMatMMD, HandWorkedOrders)
{
    auto check = [](const Pairs& pairs, const Ints& mmd)
    {
        SSMat* A = matrix_from_pairs((int)mmd.size(), pairs);
        Ints perm(A->n);
        A->MMD(perm.data());
        EXPECT_EQ(mmd, perm);
        delete A;
    };
    check({}, {3, 2, 1, 0});
    check({{0, 1}, {1, 2}}, {2, 0, 1});
    check({{0, 1}, {0, 2}, {0, 3}, {0, 4}}, {4, 3, 2, 1, 0});
}

// MMD is genmmd on the adjacency that lists lower then upper neighbours by increasing index,
// shifted to 0-based; diagonal entries play no part, so leaving some out changes nothing.
TEST(SSMatMMD, MatchesGenmmdOnTheMatrixGraph)
{
    MmdOrder r = run_genmmd(adjacency_from_edges(9 * 7 * 3, grid_edges(9, 7, 3)));
    Ints expected;
    for (int k = 1; k <= 9 * 7 * 3; k++)
        expected.push_back(r.perm[k] - 1);
    for (int diag_step : {1, 3})
    {
        SSMat* A = matrix_from_pairs(9 * 7 * 3, grid_pairs(9, 7, 3), diag_step);
        Ints perm(A->n);
        A->MMD(perm.data());
        EXPECT_EQ(expected, perm) << "diagonal at every " << diag_step << "th row";
        delete A;
    }
}

// ---- permute -----------------------------------------------------------------------------------

// B(k, l) = A(perm[k], perm[l]), B sorted, A unchanged: perm = (1, 0) on a 2 x 2 matrix swaps
// the diagonal values and keeps the off-diagonal one; on a 3D grid the identity reproduces the
// matrix, and the RCM and MMD orders move every entry.
TEST(SSMatPermute, ReordersEveryEntry)
{
    SSMat* S = matrix_from_pairs(2, {{0, 1}});
    SSMat* A = matrix_from_pairs(60, grid_pairs(5, 4, 3));
    std::vector<double> a = dense_of(A);
    Ints swap = {1, 0}, identity(60), rcm(60), mmd(60);
    std::iota(identity.begin(), identity.end(), 0);
    A->RCM(rcm.data());
    A->MMD(mmd.data());
    const std::pair<SSMat*, Ints> cases[] = {{S, swap}, {A, identity}, {A, rcm}, {A, mmd}};
    for (std::pair<SSMat*, Ints> c : cases)
    {
        SSMat* B = c.first->permute(c.second.data());
        expect_taken_from(c.first, B, c.second);
        delete B;
    }
    EXPECT_EQ(a, dense_of(A));
    EXPECT_EQ("", sorted_state_error(A));
    delete A;
    delete S;
}

// A repeated, too large or negative index is refused: null result and one line on standard error.
TEST(SSMatPermute, RefusesWhatIsNotAPermutation)
{
    SSMat* A = matrix_from_pairs(3, {{0, 1}});
    for (Ints perm : {Ints{0, 0, 2}, Ints{0, 1, 3}, Ints{-1, 1, 2}})
        expect_refused([&] { return A->permute(perm.data()); }, "permute");
    delete A;
}

// ---- mapping -----------------------------------------------------------------------------------

// R is A cut down to the rows written last, moved to their new indices. map[k] = k reproduces
// the matrix; rows mapped to -1 disappear with all their entries (rows 0, 2, 3 kept in reverse);
// where rows merge the value written last stands: map = (0, 0) on a 2 x 2 matrix leaves one
// entry, the diagonal of row 1, and with rows 1 and 2 of a 3 x 3 matrix mapped to 1 (and no
// A(1, 2)), R(0, 1) ends as A(0, 2), written by row 2's column list after the copy of A(0, 1).
TEST(SSMatMapping, MovesLeavesOutAndMergesRows)
{
    SSMat* A4 = matrix_from_pairs(4, {{0, 1}, {0, 2}, {1, 3}, {2, 3}});
    SSMat* A2 = matrix_from_pairs(2, {{0, 1}});
    SSMat* A3 = matrix_from_pairs(3, {{0, 1}, {0, 2}});
    struct Case
    {
        SSMat* A;    // matrix mapped
        Ints map;    // its map
        Ints last;   // old row behind each new row: the one written last
    };
    const Case cases[] = {{A4, {0, 1, 2, 3}, {0, 1, 2, 3}}, {A4, {2, -1, 1, 0}, {3, 2, 0}},
                          {A2, {0, 0}, {1}}, {A3, {0, 1, 1}, {0, 2}}};
    for (const Case& c : cases)
    {
        Ints map = c.map;
        SSMat* R = c.A->mapping(map.data(), (int)c.last.size());
        expect_taken_from(c.A, R, c.last);
        delete R;
    }
    delete A4;
    delete A2;
    delete A3;
}

// A map value below -1 or at least m is refused: null result and one line on standard error.
TEST(SSMatMapping, RefusesMapValuesOutOfRange)
{
    SSMat* A = matrix_from_pairs(3, {{0, 1}});
    for (Ints map : {Ints{0, 1, 2}, Ints{0, -2, 1}})
        expect_refused([&] { return A->mapping(map.data(), 2); }, "mapping");
    delete A;
}
