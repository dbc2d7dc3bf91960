// tests/test_ssmat_arith.cpp: SSMat arithmetic (multiply, minusMultiply, timesEqual, addEqual,
// addEqualTimes) against dense shadow matrices; multiply and solveLUxb against their plain loops
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/ssmat_reference.h"
#include "tests/test_util.h"

// Sorted random symmetric n x n matrix: each upper pair with probability 0.3, values multiples of
// 1/8 in [-6, 6] without 0; the diagonal stored when withDiagonal.
static std::unique_ptr<SSMat> randomMatrix(int n, bool withDiagonal, std::mt19937* gen)
{
    std::uniform_int_distribution<int> v(-48, 47), u(0, 9);
    std::vector<UpperEntry> entries;
    for (int i = 0; i < n; i++)
        for (int j = i; j < n; j++)
            if (i == j ? withDiagonal : u(*gen) < 3)
            {
                int x = v(*gen);
                entries.push_back({i, j, (x >= 0 ? x + 1 : x) / 8.0});
            }
    return sorted_matrix(n, entries);
}

// minusMultiply takes exactly multiply's sums (multiply itself: the test below); A += B, A += a*B
// merge sorted with exact sums, a = 0 inserting nothing; adding -1 times a copy cancels every sum,
// which stays stored as 0.0.
TEST(SSMatArith, MatchesDenseShadowExactly)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n = 2; n < 20; n += 3)
    {
        std::unique_ptr<SSMat> A = randomMatrix(n, n % 2 == 0, &gen),
                               B = randomMatrix(n, n % 3 != 0, &gen);
        std::vector<double> d = dense_of(A.get()), db = dense_of(B.get()), x(n), y(n), r(n);
        std::generate(x.begin(), x.end(), [&] { return u(gen); });
        A->multiply(y.data(), x.data());
        A->minusMultiply(r.data(), y.data(), x.data());
        EXPECT_EQ(std::vector<double>(n, 0.0), r);
        int nnz = A->nnz;
        A->addEqualTimes(0.0, B.get());
        EXPECT_EQ(nnz, A->nnz);
        A->addEqual(B.get());
        A->addEqualTimes(-0.375, B.get());
        for (int k = 0; k < n * n; k++)
            d[k] = (d[k] + db[k]) + -0.375 * db[k];
        EXPECT_EQ("", sorted_state_error(A.get()));
        EXPECT_EQ(d, dense_of(A.get()));
        SSMat C(A.get());
        C.timesEqual(-1.0);
        nnz = A->nnz;
        A->addEqual(&C);
        EXPECT_EQ(nnz, A->nnz);
        EXPECT_EQ(std::vector<double>(n * n, 0.0), dense_of(A.get()));
    }
}

// The same entries as A, inserted one by one in shuffled order and sorted: no row's entries sit
// in consecutive pool slots any more.
static std::unique_ptr<SSMat> shuffledCopy(SSMat* A, std::mt19937* gen)
{
    std::vector<UpperEntry> entries;
    for (int k = 0; k < A->n; k++)
        for (SSMat::Entry* e = A->row[k]; e != nullptr; e = e->row_next)
            entries.push_back({e->i, e->j, e->value});
    std::shuffle(entries.begin(), entries.end(), *gen);
    return sorted_matrix(A->n, entries);
}

// Equal bit for bit (0.0 and -0.0 differ).
static bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// multiply and solveLUxb give the plain loops' values bit for bit, whether the rows sit in
// consecutive slots (a factor, a grid built row by row) or not (a shuffled copy), and also when
// x is b, y is b or x is y.
TEST(SSMatArith, ProductAndSolvesMatchPlainLoops)
{
    std::mt19937 gen(12);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<std::unique_ptr<SSMat>> matrices;
    matrices.emplace_back(grid_matrix(7, 6, 5, 6.1));
    for (int n : {1, 10, 70})
    {
        matrices.push_back(random_spd(n, 0.15, 1.0, &gen));
        matrices.back()->sort();
    }
    for (std::unique_ptr<SSMat>& A : matrices)
    {
        int n = A->n;
        std::unique_ptr<SSMat> U(A->cholesky());
        std::unique_ptr<SSMat> As = shuffledCopy(A.get(), &gen), Us = shuffledCopy(U.get(), &gen);
        std::vector<double> x(n), b(n), y(n), x_ref(n), y_ref(n);
        std::generate(b.begin(), b.end(), [&] { return u(gen); });
        reference_multiply(A.get(), y_ref.data(), b.data());
        for (SSMat* M : {A.get(), As.get()})
        {
            M->multiply(y.data(), b.data());
            EXPECT_TRUE(sameBits(y_ref, y)) << n;
        }
        reference_solve(U.get(), x_ref.data(), b.data(), y_ref.data());
        for (SSMat* M : {U.get(), Us.get()})
        {
            M->solveLUxb(x.data(), b.data(), y.data());
            EXPECT_TRUE(sameBits(x_ref, x) && sameBits(y_ref, y)) << n;
            x = b;
            M->solveLUxb(x.data(), x.data(), y.data());
            EXPECT_TRUE(sameBits(x_ref, x) && sameBits(y_ref, y)) << n << " x = b";
            y = b;
            M->solveLUxb(x.data(), y.data(), y.data());
            EXPECT_TRUE(sameBits(x_ref, x) && sameBits(y_ref, y)) << n << " y = b";
            M->solveLUxb(x.data(), b.data(), x.data());
            EXPECT_TRUE(sameBits(x_ref, x)) << n << " x = y";
        }
    }
}
