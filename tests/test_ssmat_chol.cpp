// tests/test_ssmat_chol.cpp: SSMat cholesky and cholesky_th: factors against a dense up-looking
// reference, their sorted state, solves with them and the non-positive pivot report
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

namespace
{

// Dense up-looking factor of a (n x n, row-major) applying, for each column j, the updates of
// the rows k with U(k, i) != 0 in increasing k as the sparse code does, and dropping
// |U(i, j)| < th when threshold is set. Upper triangle row-major; 0.0 where nothing is stored.
std::vector<double> denseFactor(const std::vector<double>& a, int n, bool threshold, double th)
{
    std::vector<double> u((size_t)n * n, 0.0);
    for (int i = 0; i < n; i++)
    {
        std::vector<double> w(a.begin() + (size_t)i * n, a.begin() + (size_t)(i + 1) * n);
        for (int k = 0; k < i; k++)
        {
            double d = u[(size_t)k * n + i];
            if (d == 0.0)
                continue;
            w[i] = w[i] - d * d;
            for (int j = i + 1; j < n; j++)
                if (u[(size_t)k * n + j] != 0.0)
                    w[j] = w[j] - d * u[(size_t)k * n + j];
        }
        w[i] = sqrt(w[i]);
        u[(size_t)i * n + i] = w[i];
        for (int j = i + 1; j < n; j++)
            if (!threshold || std::fabs(w[j] / w[i]) >= th)
                u[(size_t)i * n + j] = w[j] / w[i];
    }
    return u;
}

// The stored upper triangle of U, row-major, 0.0 where nothing is stored.
std::vector<double> upperOf(SSMat* U)
{
    std::vector<double> u((size_t)U->n * U->n, 0.0);
    for (int k = 0; k < U->n; k++)
        for (SSMat::Entry* e = U->row[k]; e != nullptr; e = e->row_next)
            u[(size_t)e->i * U->n + e->j] = e->value;
    return u;
}

// Grid matrix with random long-range couplings (which add fill), positive definite by diagonal
// dominance; its rows are left in reverse column order (unsorted) when sorted is false.
SSMat* testMatrix(int nx, int ny, int nz, unsigned seed, bool sorted = true)
{
    SSMat* G = grid_matrix(nx, ny, nz, 6.5);
    int n = G->n;
    std::vector<double> d = dense_of(G);
    delete G;
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> node(0, n - 1);
    std::uniform_real_distribution<double> u(-0.5, 0.5);
    for (int t = 0; t < n / 2; t++)
    {
        int a = node(gen), b = node(gen);
        if (a != b && d[(size_t)a * n + b] == 0.0)
        {
            d[(size_t)a * n + b] = d[(size_t)b * n + a] = u(gen);
            d[(size_t)a * n + a] += 0.5;
            d[(size_t)b * n + b] += 0.5;
        }
    }
    SSMat* A = new SSMat(n);
    for (int i = 0; i < n; i++)
        for (int j = i; j < n; j++)
            A->insertEntry(i, j, d[(size_t)i * n + j]);
    if (sorted)
        A->sort();
    return A;
}

} // namespace

// [[4, 2], [2, 5]] gives [[2, 1], [0, 2]]; a tridiagonal A a bidiagonal U; an arrow with a full
// first row a full U.
TEST(Cholesky, SmallCasesAndFill)
{
    SSMat A(2);
    A.insertEntry(0, 0, 4.0);
    A.insertEntry(0, 1, 2.0);
    A.insertEntry(1, 1, 5.0);
    A.sort();
    SSMat* U = A.cholesky();
    ASSERT_NE(nullptr, U);
    EXPECT_EQ(std::vector<double>({2.0, 1.0, 0.0, 2.0}), upperOf(U));
    delete U;
    const int n = 10;
    SSMat T(n), W(n);
    for (int k = 0; k < n; k++)
    {
        T.insertEntry(k, k, 4.0);
        if (k + 1 < n)
            T.insertEntry(k, k + 1, -1.0);
        W.insertEntry(k, k, k == 0 ? n + 1.0 : 2.0);
        if (k > 0)
            W.insertEntry(0, k, 1.0);
    }
    T.sort();
    W.sort();
    U = T.cholesky();
    EXPECT_EQ(2 * n - 1, U->nnz);
    delete U;
    U = W.cholesky();
    EXPECT_EQ(n * (n + 1) / 2, U->nnz);
    EXPECT_EQ("", sorted_state_error(U));
    delete U;
}

// Both factors equal the dense reference bit for bit for several thresholds (so th = 0.0 gives
// cholesky), whatever the order of A's rows; they are sorted, every row headed by its diagonal;
// a threshold above every off-diagonal leaves sqrt(A(i, i)); A is not modified.
TEST(Cholesky, MatchesDenseReferenceExactly)
{
    SSMat* A = testMatrix(4, 3, 3, 21);
    SSMat* R = testMatrix(4, 3, 3, 21, false);
    std::vector<double> a = dense_of(A);
    int n = A->n;
    SSMat* U = A->cholesky();
    SSMat* V = R->cholesky();
    ASSERT_NE(nullptr, U);
    ASSERT_NE(nullptr, V);
    EXPECT_EQ("", sorted_state_error(U));
    EXPECT_EQ(denseFactor(a, n, false, 0.0), upperOf(U));
    EXPECT_EQ(upperOf(U), upperOf(V));
    EXPECT_EQ(U->nnz, V->nnz);
    for (int k = 0; k < n; k++)
        EXPECT_EQ(k, U->row[k]->j);
    for (double th : {0.0, 0.01, 0.05, 0.2})
    {
        SSMat* M = R->cholesky_th(th);
        ASSERT_NE(nullptr, M);
        EXPECT_EQ("", sorted_state_error(M)) << "th " << th;
        EXPECT_EQ(denseFactor(a, n, true, th), upperOf(M)) << "th " << th;
        if (th == 0.0)
        {
            EXPECT_EQ(U->nnz, M->nnz);
        }
        delete M;
    }
    SSMat* D = A->cholesky_th(1.0);
    EXPECT_EQ(n, D->nnz);
    for (int k = 0; k < n; k++)
        EXPECT_EQ(sqrt(a[(size_t)k * n + k]), D->getEntry(k, k));
    EXPECT_EQ(a, dense_of(A));
    EXPECT_EQ("", sorted_state_error(A));
    delete D;
    delete U;
    delete V;
    delete A;
    delete R;
}

// U'*U reproduces A to rounding, and solving with U returns x of a manufactured b = A*x.
TEST(Cholesky, FactorReproducesAAndSolves)
{
    SSMat* A = testMatrix(5, 4, 3, 22);
    int n = A->n;
    SSMat* U = A->cholesky();
    ASSERT_NE(nullptr, U);
    std::vector<double> u = upperOf(U), a = dense_of(A);
    for (int i = 0; i < n; i++)
        for (int j = i; j < n; j++)
        {
            double s = 0.0;
            for (int k = 0; k <= i; k++)
                s += u[(size_t)k * n + i] * u[(size_t)k * n + j];
            EXPECT_NEAR(a[(size_t)i * n + j], s, 1e-12) << i << "," << j;
        }
    std::vector<double> x(n), b(n), got(n), y(n);
    for (int k = 0; k < n; k++)
        x[k] = 1.0 + 0.01 * k;
    A->multiply(b.data(), x.data());
    U->solveLUxb(got.data(), b.data(), y.data());
    for (int k = 0; k < n; k++)
        EXPECT_NEAR(x[k], got[k], 1e-13);
    delete U;
    delete A;
}

// An indefinite, a singular and a NaN matrix: null factor and one line naming the row.
TEST(Cholesky, NonPositivePivotReturnsNull)
{
    SSMat A(3); // pivot of row 1: 1 - 2*2 = -3
    A.insertEntry(0, 0, 1.0);
    A.insertEntry(0, 1, 2.0);
    A.insertEntry(1, 1, 1.0);
    A.insertEntry(2, 2, 1.0);
    A.sort();
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, A.cholesky());
    EXPECT_EQ("Calefax: error: cholesky: pivot of row 1 is not positive (-3)\n",
              testing::internal::GetCapturedStderr());
    SSMat S(2); // singular: pivot of row 1 exactly 0
    S.insertEntry(0, 0, 1.0);
    S.insertEntry(0, 1, 1.0);
    S.insertEntry(1, 1, 1.0);
    S.sort();
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, S.cholesky_th(0.5));
    EXPECT_EQ("Calefax: error: cholesky_th: pivot of row 1 is not positive (0)\n",
              testing::internal::GetCapturedStderr());
    SSMat N(2);
    N.insertEntry(0, 0, NAN);
    N.insertEntry(1, 1, 1.0);
    N.sort();
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, N.cholesky());
    EXPECT_EQ("Calefax: error: cholesky: pivot of row 0 is not positive (nan)\n",
              testing::internal::GetCapturedStderr());
}
