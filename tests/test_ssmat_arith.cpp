// tests/test_ssmat_arith.cpp: SSMat arithmetic (multiply, minusMultiply, timesEqual, addEqual,
// addEqualTimes) and solveLUxb, against dense shadow matrices
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

namespace
{

// Sorted random symmetric matrix: each upper pair with probability fill, values multiples of 1/8
// in [-6, 6] without 0; the diagonal is stored when withDiagonal.
SSMat* randomMatrix(int n, double fill, bool withDiagonal, std::mt19937* gen)
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::uniform_int_distribution<int> v(-48, 47);
    SSMat* A = new SSMat(n);
    for (int i = 0; i < n; i++)
        for (int j = i; j < n; j++)
            if ((i == j && withDiagonal) || (i != j && u(*gen) < fill))
            {
                int x = v(*gen);
                A->insertEntry(i, j, (x >= 0 ? x + 1 : x) / 8.0);
            }
    A->sort();
    return A;
}

} // namespace

// ---- products ----------------------------------------------------------------------------------

// Row k is summed over the full symmetric row in increasing column (column list, then row list),
// which a dense row sum in increasing column reproduces bit for bit; b - A*x is then exactly 0;
// x and b are not modified.
TEST(Multiply, MatchesDenseRowSumsExactly)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int trial = 0; trial < 10; trial++)
    {
        int n = 2 + 3 * trial;
        SSMat* A = randomMatrix(n, 0.3, trial % 2 == 0, &gen);
        std::vector<double> d = dense_of(A), x(n), y(n), r(n);
        for (double& e : x)
            e = u(gen);
        std::vector<double> x0 = x;
        A->multiply(y.data(), x.data());
        for (int k = 0; k < n; k++)
        {
            double s = 0.0;
            for (int c = 0; c < n; c++)
                if (d[(size_t)k * n + c] != 0.0)
                    s += d[(size_t)k * n + c] * x[c];
            EXPECT_EQ(s, y[k]) << "row " << k;
        }
        std::vector<double> y0 = y;
        A->minusMultiply(r.data(), y.data(), x.data());
        for (int k = 0; k < n; k++)
            EXPECT_EQ(0.0, r[k]);
        EXPECT_EQ(x0, x);
        EXPECT_EQ(y0, y);
        delete A;
    }
}

// ---- scaling and sums --------------------------------------------------------------------------

// timesEqual(2) doubles every value; timesEqual(0.0) keeps every entry stored, holding 0.0.
TEST(TimesEqual, ScalesAndKeepsZeros)
{
    std::mt19937 gen(13);
    SSMat* A = randomMatrix(10, 0.3, true, &gen);
    std::vector<double> d = dense_of(A);
    int nnz = A->nnz;
    A->timesEqual(2.0);
    std::vector<double> d2 = dense_of(A);
    for (size_t k = 0; k < d.size(); k++)
        EXPECT_EQ(2.0 * d[k], d2[k]);
    A->timesEqual(0.0);
    EXPECT_EQ(nnz, A->nnz);
    EXPECT_EQ(std::vector<double>(d.size(), 0.0), dense_of(A));
    delete A;
}

// A += B and A += a*B over random patterns: exact elementwise sums, sorted with complete
// columns, B unchanged; a = 0.0 inserts nothing; a cancelling sum stays stored as 0.0.
TEST(AddEqual, RandomPatternsMergeSorted)
{
    std::mt19937 gen(14);
    for (int trial = 0; trial < 15; trial++)
    {
        int n = 3 + trial;
        SSMat* A = randomMatrix(n, 0.25, trial % 3 != 0, &gen);
        SSMat* B = randomMatrix(n, 0.25, trial % 2 == 0, &gen);
        std::vector<double> da = dense_of(A), db = dense_of(B);
        int nnz = A->nnz;
        A->addEqualTimes(0.0, B);
        EXPECT_EQ(nnz, A->nnz);
        A->addEqual(B);
        EXPECT_EQ("", sorted_state_error(A));
        std::vector<double> d = dense_of(A);
        for (size_t k = 0; k < d.size(); k++)
            EXPECT_EQ(da[k] + db[k], d[k]);
        nnz = A->nnz;
        A->addEqualTimes(-0.375, B);
        EXPECT_EQ("", sorted_state_error(A));
        std::vector<double> d2 = dense_of(A);
        for (size_t k = 0; k < d.size(); k++)
            EXPECT_EQ(d[k] + -0.375 * db[k], d2[k]);
        EXPECT_EQ(db, dense_of(B));
        SSMat C(-1.0, A);
        A->addEqual(&C);
        EXPECT_EQ(nnz, A->nnz);
        EXPECT_EQ(std::vector<double>(d.size(), 0.0), dense_of(A));
        delete A;
        delete B;
    }
}

// Entries of B beyond the last entry of A's row and in an empty row of A are appended in order.
TEST(AddEqual, AppendsBeyondRowEnd)
{
    SSMat A(4), B(4);
    A.insertEntry(0, 0, 1.0);
    A.insertEntry(0, 1, 1.0);
    B.insertEntry(0, 1, 2.0);
    B.insertEntry(0, 2, 3.0);
    B.insertEntry(0, 3, 4.0);
    B.insertEntry(2, 3, 5.0);
    A.sort();
    B.sort();
    A.addEqual(&B);
    EXPECT_EQ("", sorted_state_error(&A));
    EXPECT_EQ(5, A.nnz);
    EXPECT_EQ(3.0, A.getEntry(0, 1));
    EXPECT_EQ(4.0, A.getEntry(3, 0));
    EXPECT_EQ(5.0, A.getEntry(2, 3));
}

// ---- triangular solves -------------------------------------------------------------------------

// U = [[2, 1, 0.5], [0, 1, -1], [0, 0, 4]], x = (1, 2, 3): U*x = (5.5, -1, 12) and
// U'*U*x = (11, 4.5, 51.75); y and x come back exactly, also when x is b.
TEST(SolveLUxb, UpperTriangularRoundTrip)
{
    SSMat U(3);
    U.insertEntry(0, 0, 2.0);
    U.insertEntry(0, 1, 1.0);
    U.insertEntry(0, 2, 0.5);
    U.insertEntry(1, 1, 1.0);
    U.insertEntry(1, 2, -1.0);
    U.insertEntry(2, 2, 4.0);
    U.sort();
    double b[3] = {11.0, 4.5, 51.75}, x[3], y[3];
    U.solveLUxb(x, b, y);
    EXPECT_EQ(5.5, y[0]);
    EXPECT_EQ(-1.0, y[1]);
    EXPECT_EQ(12.0, y[2]);
    EXPECT_EQ(1.0, x[0]);
    EXPECT_EQ(2.0, x[1]);
    EXPECT_EQ(3.0, x[2]);
    U.solveLUxb(b, b, y);
    EXPECT_EQ(1.0, b[0]);
    EXPECT_EQ(2.0, b[1]);
    EXPECT_EQ(3.0, b[2]);
}
