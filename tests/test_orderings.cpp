// tests/test_orderings.cpp: intQueue and the SSMat orderings (CM, RCM, MMD), permute and mapping
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sparse/SSMat.h"
#include "sparse/intQueue.h"
#include "sparse/mmd.h"
#include "tests/test_util.h"

namespace
{

typedef std::vector<int> Ints;

// Sorted n x n matrix with diagonal diag and value -1 - 0.01*(i + j) at each upper pair (i, j)
// listed (0-based), so that every entry is told apart by its value.
SSMat* matrix_from_pairs(int n, const std::vector<std::pair<int, int>>& pairs, double diag = 8.0)
{
    SSMat* A = new SSMat(n);
    for (int k = 0; k < n; k++)
        A->insertEntry(k, k, diag + k);
    for (const std::pair<int, int>& p : pairs)
        A->insertEntry(p.first, p.second, -1.0 - 0.01 * (p.first + p.second));
    A->sort();
    return A;
}

// Upper pairs (0-based) of the 7-point grid of nx x ny x nz nodes.
std::vector<std::pair<int, int>> grid_pairs(int nx, int ny, int nz)
{
    std::vector<std::pair<int, int>> pairs;
    for (const std::pair<int, int>& e : grid_edges(nx, ny, nz))
        pairs.push_back({e.first - 1, e.second - 1});
    return pairs;
}

// Nonzeros of the complete Cholesky factor of A.
int factor_nnz(SSMat* A)
{
    SSMat* U = A->cholesky();
    int nnz = U->nnz;
    delete U;
    return nnz;
}

} // namespace

// ---- intQueue ----------------------------------------------------------------------------------

// Values leave in the order they came; back is null once the last one has left.
TEST(IntQueue, FirstInFirstOut)
{
    intQueue q;
    EXPECT_EQ(nullptr, q.front);
    q.enqueue(4);
    q.enqueue(-7);
    q.enqueue(0);
    EXPECT_EQ(4, q.dequeue());
    q.enqueue(9);
    EXPECT_EQ(-7, q.dequeue());
    EXPECT_EQ(0, q.dequeue());
    EXPECT_EQ(9, q.dequeue());
    EXPECT_EQ(nullptr, q.front);
    EXPECT_EQ(nullptr, q.back);
}

// Dequeue from an empty queue, fresh or drained, returns -1 and the queue stays usable.
TEST(IntQueue, DequeueFromEmptyReturnsMinusOne)
{
    intQueue q;
    EXPECT_EQ(-1, q.dequeue());
    q.enqueue(3);
    EXPECT_EQ(3, q.dequeue());
    EXPECT_EQ(-1, q.dequeue());
    EXPECT_EQ(nullptr, q.back);
    q.enqueue(5);
    EXPECT_EQ(5, q.dequeue());
}

// ---- Cuthill-McKee -----------------------------------------------------------------------------

// A diagonal matrix: every node its own component, so CM is the identity and RCM its reverse.
TEST(SSMatCM, DiagonalGivesIdentityAndReverse)
{
    SSMat* A = matrix_from_pairs(5, {});
    Ints perm(5);
    A->CM(perm.data());
    EXPECT_EQ(Ints({0, 1, 2, 3, 4}), perm);
    A->RCM(perm.data());
    EXPECT_EQ(Ints({4, 3, 2, 1, 0}), perm);
    delete A;
}

// A tridiagonal matrix is visited in natural order.
TEST(SSMatCM, TridiagonalGivesNaturalOrder)
{
    SSMat* A = matrix_from_pairs(6, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}});
    Ints perm(6);
    A->CM(perm.data());
    EXPECT_EQ(Ints({0, 1, 2, 3, 4, 5}), perm);
    delete A;
}

// Stored (0,0), (0,2), (1,1), (1,2), (2,2): 0, then its upper neighbour 2, then 2's lower 1.
TEST(SSMatCM, ThreeByThreeVisitsThroughUpperThenLower)
{
    SSMat* A = matrix_from_pairs(3, {{0, 2}, {1, 2}});
    Ints perm(3);
    A->CM(perm.data());
    EXPECT_EQ(Ints({0, 2, 1}), perm);
    A->RCM(perm.data());
    EXPECT_EQ(Ints({1, 2, 0}), perm);
    delete A;
}

// Lower neighbours are queued before upper ones, and a second component starts at its lowest
// node: 3 reaches 1 (lower) before 5 (upper); node 2 waits for its own component.
TEST(SSMatCM, LowerNeighboursFirstAndComponentsByLowestNode)
{
    SSMat* A = matrix_from_pairs(7, {{0, 3}, {1, 3}, {3, 5}, {1, 6}, {2, 4}});
    Ints perm(7);
    A->CM(perm.data());
    EXPECT_EQ(Ints({0, 3, 1, 5, 6, 2, 4}), perm);
    delete A;
}

// ---- multiple minimum degree -------------------------------------------------------------------

// No off-diagonal entries: all nodes isolated, ordered n-1, ..., 0.
TEST(SSMatMMD, DiagonalMatrixIsOrderedBackwards)
{
    SSMat* A = matrix_from_pairs(4, {});
    Ints perm(4);
    A->MMD(perm.data());
    EXPECT_EQ(Ints({3, 2, 1, 0}), perm);
    delete A;
}

// The path 0-1-2: ends first (2, then 0), the middle last.
TEST(SSMatMMD, PathOrdersEndsFirst)
{
    SSMat* A = matrix_from_pairs(3, {{0, 1}, {1, 2}});
    Ints perm(3);
    A->MMD(perm.data());
    EXPECT_EQ(Ints({2, 0, 1}), perm);
    delete A;
}

// An arrow matrix (row 0 full) is a star: its centre 0 comes last.
TEST(SSMatMMD, StarOrdersCentreLast)
{
    SSMat* A = matrix_from_pairs(6, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}});
    Ints perm(6);
    A->MMD(perm.data());
    EXPECT_EQ(0, perm[5]);
    delete A;
}

// MMD is genmmd on the adjacency that lists lower then upper neighbours by increasing index.
TEST(SSMatMMD, MatchesGenmmdOnTheMatrixGraph)
{
    SSMat* A = matrix_from_pairs(9 * 7 * 3, grid_pairs(9, 7, 3));
    Ints perm(A->n);
    A->MMD(perm.data());
    MmdOrder r = run_genmmd(adjacency_from_edges(A->n, grid_edges(9, 7, 3)));
    for (int k = 0; k < A->n; k++)
        EXPECT_EQ(r.perm[k + 1] - 1, perm[k]);
    delete A;
}

// Diagonal entries play no part in the graph: leaving some out changes nothing.
TEST(SSMatMMD, MissingDiagonalsGiveTheSameOrder)
{
    std::vector<std::pair<int, int>> pairs = grid_pairs(6, 5, 1);
    SSMat* A = matrix_from_pairs(30, pairs);
    SSMat* B = new SSMat(30);
    for (int k = 0; k < 30; k += 3)
        B->insertEntry(k, k, 1.0);
    for (const std::pair<int, int>& p : pairs)
        B->insertEntry(p.first, p.second, 2.0);
    B->sort();
    Ints pa(30), pb(30);
    A->MMD(pa.data());
    B->MMD(pb.data());
    EXPECT_EQ(pa, pb);
    delete A;
    delete B;
}

// On a 12 x 12 grid the factor of the MMD-ordered matrix is far sparser than the natural one's.
TEST(SSMatMMD, ReducesFillOnAGrid)
{
    SSMat* A = matrix_from_pairs(144, grid_pairs(12, 12, 1));
    Ints perm(144);
    A->MMD(perm.data());
    SSMat* B = A->permute(perm.data());
    ASSERT_NE(nullptr, B);
    EXPECT_LT(factor_nnz(B), factor_nnz(A) * 3 / 4);
    delete B;
    delete A;
}

// ---- permute -----------------------------------------------------------------------------------

// The identity permutation reproduces the matrix.
TEST(SSMatPermute, IdentityGivesEqualMatrix)
{
    SSMat* A = matrix_from_pairs(5, {{0, 4}, {1, 2}, {2, 3}, {3, 4}});
    Ints perm = {0, 1, 2, 3, 4};
    SSMat* B = A->permute(perm.data());
    ASSERT_NE(nullptr, B);
    EXPECT_EQ(dense_of(A), dense_of(B));
    EXPECT_EQ(A->nnz, B->nnz);
    delete B;
    delete A;
}

// perm = (1, 0) on [[4, 2], [2, 5]] swaps the diagonal values and keeps the off-diagonal one.
TEST(SSMatPermute, SwapOfTwoByTwo)
{
    SSMat* A = new SSMat(2);
    A->insertEntry(0, 0, 4.0);
    A->insertEntry(0, 1, 2.0);
    A->insertEntry(1, 1, 5.0);
    A->sort();
    Ints perm = {1, 0};
    SSMat* B = A->permute(perm.data());
    ASSERT_NE(nullptr, B);
    EXPECT_EQ(5.0, B->getEntry(0, 0));
    EXPECT_EQ(2.0, B->getEntry(0, 1));
    EXPECT_EQ(4.0, B->getEntry(1, 1));
    EXPECT_EQ("", sorted_state_error(B));
    delete B;
    delete A;
}

// B(k, l) = A(perm[k], perm[l]) for every k, l under the RCM and MMD orders of a 3D grid; B is
// sorted and A is unchanged.
TEST(SSMatPermute, ReordersEveryEntry)
{
    SSMat* A = matrix_from_pairs(60, grid_pairs(5, 4, 3));
    std::vector<double> a = dense_of(A);
    Ints perm(60);
    for (int which = 0; which < 2; which++)
    {
        if (which == 0)
            A->RCM(perm.data());
        else
            A->MMD(perm.data());
        SSMat* B = A->permute(perm.data());
        ASSERT_NE(nullptr, B);
        std::vector<double> b = dense_of(B);
        for (int k = 0; k < 60; k++)
            for (int l = 0; l < 60; l++)
                EXPECT_EQ(a[perm[k] * 60 + perm[l]], b[k * 60 + l]);
        EXPECT_EQ("", sorted_state_error(B));
        EXPECT_EQ(A->nnz, B->nnz);
        delete B;
    }
    EXPECT_EQ(a, dense_of(A));
    EXPECT_EQ("", sorted_state_error(A));
    delete A;
}

// A repeated or out-of-range index is refused: null result and one line on standard error.
TEST(SSMatPermute, RefusesWhatIsNotAPermutation)
{
    SSMat* A = matrix_from_pairs(3, {{0, 1}});
    const Ints bad[] = {{0, 0, 2}, {0, 1, 3}, {-1, 1, 2}, {2, 1, 1}};
    for (const Ints& p : bad)
    {
        Ints perm = p;
        testing::internal::CaptureStderr();
        SSMat* B = A->permute(perm.data());
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(nullptr, B);
        EXPECT_NE(std::string::npos, err.find("permute")) << err;
        delete B;
    }
    delete A;
}

// ---- mapping -----------------------------------------------------------------------------------

// map[k] = k reproduces the matrix.
TEST(SSMatMapping, IdentityMapReproducesTheMatrix)
{
    SSMat* A = matrix_from_pairs(5, {{0, 4}, {1, 2}, {2, 3}});
    Ints map = {0, 1, 2, 3, 4};
    SSMat* R = A->mapping(map.data(), 5);
    ASSERT_NE(nullptr, R);
    EXPECT_EQ(dense_of(A), dense_of(R));
    EXPECT_EQ("", sorted_state_error(R));
    delete R;
    delete A;
}

// map = (0, 0) on [[4, 2], [2, 5]]: one entry, the value written last, the diagonal of row 1.
TEST(SSMatMapping, MergedRowsKeepTheValueWrittenLast)
{
    SSMat* A = new SSMat(2);
    A->insertEntry(0, 0, 4.0);
    A->insertEntry(0, 1, 2.0);
    A->insertEntry(1, 1, 5.0);
    A->sort();
    Ints map = {0, 0};
    SSMat* R = A->mapping(map.data(), 1);
    ASSERT_NE(nullptr, R);
    EXPECT_EQ(1, R->nnz);
    EXPECT_EQ(5.0, R->getEntry(0, 0));
    delete R;
    delete A;
}

// Rows mapped to -1 are left out with all their entries; the others keep their values under
// their new indices (here a reversal of the kept rows 0, 2, 3).
TEST(SSMatMapping, LeftOutRowsDisappear)
{
    SSMat* A = matrix_from_pairs(4, {{0, 1}, {0, 2}, {1, 3}, {2, 3}});
    std::vector<double> a = dense_of(A);
    Ints map = {2, -1, 1, 0};
    SSMat* R = A->mapping(map.data(), 3);
    ASSERT_NE(nullptr, R);
    std::vector<double> r = dense_of(R);
    const int old_of[3] = {3, 2, 0};
    for (int k = 0; k < 3; k++)
        for (int l = 0; l < 3; l++)
            EXPECT_EQ(a[old_of[k] * 4 + old_of[l]], r[k * 3 + l]);
    EXPECT_EQ("", sorted_state_error(R));
    delete R;
    delete A;
}

// A secondary row overwrites what the primary row put at a shared position: rows 1 and 2 both
// map to 1, so R(0, 1) ends as A(0, 2), written by row 2's column list after the copy of A(0, 1).
TEST(SSMatMapping, SecondaryRowOverwritesSharedPositions)
{
    SSMat* A = new SSMat(3);
    A->insertEntry(0, 0, 1.0);
    A->insertEntry(0, 1, 2.0);
    A->insertEntry(0, 2, 3.0);
    A->insertEntry(1, 1, 4.0);
    A->insertEntry(2, 2, 6.0);
    A->sort();
    Ints map = {0, 1, 1};
    SSMat* R = A->mapping(map.data(), 2);
    ASSERT_NE(nullptr, R);
    EXPECT_EQ(1.0, R->getEntry(0, 0));
    EXPECT_EQ(3.0, R->getEntry(0, 1));
    EXPECT_EQ(6.0, R->getEntry(1, 1));
    EXPECT_EQ(3, R->nnz);
    EXPECT_EQ("", sorted_state_error(R));
    delete R;
    delete A;
}

// A map value below -1 or at least m is refused: null result and one line on standard error.
TEST(SSMatMapping, RefusesMapValuesOutOfRange)
{
    SSMat* A = matrix_from_pairs(3, {{0, 1}});
    const Ints bad[] = {{0, 1, 2}, {0, -2, 1}};
    for (const Ints& b : bad)
    {
        Ints map = b;
        testing::internal::CaptureStderr();
        SSMat* R = A->mapping(map.data(), 2);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(nullptr, R);
        EXPECT_NE(std::string::npos, err.find("mapping")) << err;
        delete R;
    }
    delete A;
}
