// tests/test_ssmat_arith.cpp: SSMat arithmetic (multiply, minusMultiply, timesEqual, addEqual,
// addEqualTimes) against dense shadow matrices
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "sparse/SSMat.h"
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

// multiply sums the full symmetric row in increasing column, as a dense row sum does bit for
// bit, so minusMultiply gives exactly 0; A += B, A += a*B merge sorted with exact sums, a = 0
// inserting nothing; adding -1 times a copy cancels every sum, which stays stored as 0.0.
TEST(SSMatArith, MatchesDenseShadowExactly)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n = 2; n < 20; n += 3)
    {
        std::unique_ptr<SSMat> A = randomMatrix(n, n % 2 == 0, &gen);
        std::unique_ptr<SSMat> B = randomMatrix(n, n % 3 != 0, &gen);
        std::vector<double> d = dense_of(A.get()), db = dense_of(B.get()), x(n), y(n), r(n),
            expected(n, 0.0);
        for (int k = 0; k < n; k++)
            x[k] = u(gen);
        for (int k = 0; k < n * n; k++)
            expected[k / n] += d[k] * x[k % n];
        A->multiply(y.data(), x.data());
        A->minusMultiply(r.data(), y.data(), x.data());
        EXPECT_EQ(expected, y);
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
