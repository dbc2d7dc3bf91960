// tests/test_ssmat_arith.cpp: SSMat arithmetic (multiply, minusMultiply, timesEqual, addEqual,
// addEqualTimes) and solveLUxb, against dense shadow matrices
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

namespace
{

// Sorted random symmetric matrix: each upper pair with probability fill, values multiples of 1/8
// in [-6, 6] without 0; the diagonal is stored when withDiagonal.
std::unique_ptr<SSMat> randomMatrix(int n, double fill, bool withDiagonal, std::mt19937* gen)
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::uniform_int_distribution<int> v(-48, 47);
    std::vector<UpperEntry> entries;
    for (int i = 0; i < n; i++)
        for (int j = i; j < n; j++)
            if ((i == j && withDiagonal) || (i != j && u(*gen) < fill))
            {
                int x = v(*gen);
                entries.push_back({i, j, (x >= 0 ? x + 1 : x) / 8.0});
            }
    return sorted_matrix(n, entries);
}

} // namespace

// ---- products ----------------------------------------------------------------------------------

// Row k is summed over the full symmetric row in increasing column (column list, then row list),
// which a dense row sum in increasing column reproduces bit for bit (adding a zero changes no
// sum); b - A*x is then exactly 0; x and b are not modified.
TEST(Multiply, MatchesDenseRowSumsExactly)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int trial = 0; trial < 10; trial++)
    {
        int n = 2 + 3 * trial;
        std::unique_ptr<SSMat> A = randomMatrix(n, 0.3, trial % 2 == 0, &gen);
        std::vector<double> d = dense_of(A.get()), x(n), y(n), r(n), expected(n, 0.0);
        for (double& e : x)
            e = u(gen);
        for (int k = 0; k < n; k++)
            for (int c = 0; c < n; c++)
                expected[k] += d[(size_t)k * n + c] * x[c];
        std::vector<double> x0 = x;
        A->multiply(y.data(), x.data());
        A->minusMultiply(r.data(), y.data(), x.data());
        EXPECT_EQ(expected, y);
        EXPECT_EQ(std::vector<double>(n, 0.0), r);
        EXPECT_EQ(x0, x);
    }
}

// ---- sums and scaling --------------------------------------------------------------------------

// A += B, then A += a*B over random patterns (empty rows, entries beyond a row's end): exact
// elementwise sums, sorted with complete columns, B unchanged; a = 0.0 inserts nothing. Adding
// -1 times A's copy cancels every sum, which stays stored as 0.0, as do the entries of a matrix
// scaled by 0.0.
TEST(AddEqual, RandomPatternsMergeSorted)
{
    std::mt19937 gen(14);
    for (int trial = 0; trial < 15; trial++)
    {
        std::unique_ptr<SSMat> A = randomMatrix(3 + trial, 0.25, trial % 3 != 0, &gen);
        std::unique_ptr<SSMat> B = randomMatrix(3 + trial, 0.25, trial % 2 == 0, &gen);
        std::vector<double> d = dense_of(A.get()), db = dense_of(B.get());
        int nnz = A->nnz;
        A->addEqualTimes(0.0, B.get());
        EXPECT_EQ(nnz, A->nnz);
        A->addEqual(B.get());
        A->addEqualTimes(-0.375, B.get());
        for (size_t k = 0; k < d.size(); k++)
            d[k] = (d[k] + db[k]) + -0.375 * db[k];
        EXPECT_EQ("", sorted_state_error(A.get()));
        EXPECT_EQ(d, dense_of(A.get()));
        EXPECT_EQ(db, dense_of(B.get()));
        SSMat C(A.get());
        int nnzA = A->nnz, nnzC = C.nnz;
        C.timesEqual(-1.0);
        A->addEqual(&C);
        C.timesEqual(0.0);
        EXPECT_EQ(nnzA, A->nnz);
        EXPECT_EQ(nnzC, C.nnz);
        std::vector<double> zero(d.size(), 0.0);
        EXPECT_EQ(zero, dense_of(A.get()));
        EXPECT_EQ(zero, dense_of(&C));
    }
}

// ---- triangular solves -------------------------------------------------------------------------

// U = [[2, 1, 0.5], [0, 1, -1], [0, 0, 4]], x = (1, 2, 3): U*x = (5.5, -1, 12) and
// U'*U*x = (11, 4.5, 51.75); y and x come back exactly, also when x is b.
TEST(SolveLUxb, UpperTriangularRoundTrip)
{
    std::unique_ptr<SSMat> U = sorted_matrix(
        3, {{0, 0, 2.0}, {0, 1, 1.0}, {0, 2, 0.5}, {1, 1, 1.0}, {1, 2, -1.0}, {2, 2, 4.0}});
    std::vector<double> b = {11.0, 4.5, 51.75}, x(3), y(3);
    U->solveLUxb(x.data(), b.data(), y.data());
    EXPECT_EQ(std::vector<double>({5.5, -1.0, 12.0}), y);
    EXPECT_EQ(std::vector<double>({1.0, 2.0, 3.0}), x);
    U->solveLUxb(b.data(), b.data(), y.data());
    EXPECT_EQ(x, b);
}
