// tests/test_ssmat_chol.cpp: SSMat cholesky and cholesky_th: factors against a dense up-looking
// reference, their sorted state, U'*U against A and the non-positive pivot report
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

namespace
{

// Dense up-looking factor of a (n x n, row-major) applying, for each column j, the updates of
// the rows k with U(k, i) != 0 in increasing k as the sparse code does, and dropping
// |U(i, j)| < th (th = 0.0 drops nothing). Upper triangle row-major; 0.0 where nothing is stored.
std::vector<double> denseFactor(const std::vector<double>& a, int n, double th)
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
            if (std::fabs(w[j] / w[i]) >= th)
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

// Sorted grid matrix with random long-range couplings (which add fill), positive definite by
// diagonal dominance.
std::unique_ptr<SSMat> testMatrix(int nx, int ny, int nz, unsigned seed)
{
    std::unique_ptr<SSMat> A(grid_matrix(nx, ny, nz, 6.5));
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> node(0, A->n - 1);
    std::uniform_real_distribution<double> u(-0.5, 0.5);
    for (int t = 0; t < A->n / 2; t++)
    {
        int a = node(gen), b = node(gen);
        if (a != b && A->getEntry(a, b) == 0.0)
        {
            A->modifyEntry(a, b, u(gen));
            A->modifyEntry(a, a, A->getEntry(a, a) + 0.5);
            A->modifyEntry(b, b, A->getEntry(b, b) + 0.5);
        }
    }
    return A;
}

} // namespace

// The reference gives [[2, 1], [0, 2]] for [[4, 2], [2, 5]]. cholesky and cholesky_th for several
// thresholds (th = 0.0 thus giving cholesky, th = 1.0 only sqrt(A(i, i))) equal it bit for bit,
// entry count included, whatever the order of A's rows; the factors are sorted; A is not modified;
// U'*U reproduces A to rounding.
TEST(Cholesky, MatchesDenseReferenceExactly)
{
    ASSERT_EQ(std::vector<double>({2.0, 1.0, 0.0, 2.0}), denseFactor({4.0, 2.0, 2.0, 5.0}, 2, 0));
    std::unique_ptr<SSMat> A = testMatrix(4, 3, 3, 21);
    std::vector<double> a = dense_of(A.get());
    int n = A->n;
    SSMat R(n); // A with every row in reverse column order
    for (int k = 0; k < n; k++)
        for (SSMat::Entry* e = A->row[k]; e != nullptr; e = e->row_next)
            R.insertEntry(e->i, e->j, e->value);
    for (double th : {-1.0, 0.0, 0.01, 0.2, 1.0}) // -1: cholesky()
        for (SSMat* M : {A.get(), &R})
        {
            std::unique_ptr<SSMat> U(th < 0.0 ? M->cholesky() : M->cholesky_th(th));
            ASSERT_NE(nullptr, U);
            std::vector<double> ref = denseFactor(a, n, th < 0.0 ? 0.0 : th);
            EXPECT_EQ("", sorted_state_error(U.get())) << "th " << th;
            EXPECT_EQ(ref, upperOf(U.get())) << "th " << th;
            EXPECT_EQ(std::count_if(ref.begin(), ref.end(), [](double x) { return x != 0.0; }),
                      U->nnz) << "th " << th;
        }
    EXPECT_EQ(a, dense_of(A.get()));
    std::vector<double> u = upperOf(std::unique_ptr<SSMat>(A->cholesky()).get());
    for (int i = 0; i < n; i++)
        for (int j = i; j < n; j++)
        {
            double s = 0.0;
            for (int k = 0; k <= i; k++)
                s += u[(size_t)k * n + i] * u[(size_t)k * n + j];
            EXPECT_NEAR(a[(size_t)i * n + j], s, 1e-12) << i << "," << j;
        }
}

// An indefinite, a singular and a NaN matrix: null factor and one line naming the row.
TEST(Cholesky, NonPositivePivotReturnsNull)
{
    struct Case
    {
        std::vector<UpperEntry> entries; // the upper triangle
        double th;                       // cholesky_th(th), or cholesky() when negative
        const char* message;             // on standard error
    };
    const Case cases[] = {
        {{{0, 0, 1.0}, {0, 1, 2.0}, {1, 1, 1.0}, {2, 2, 1.0}}, -1.0, // row 1: 1 - 2*2
         "Calefax: error: cholesky: pivot of row 1 is not positive (-3)\n"},
        {{{0, 0, 1.0}, {0, 1, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}}, 0.5,
         "Calefax: error: cholesky_th: pivot of row 1 is not positive (0)\n"},
        {{{0, 0, NAN}, {1, 1, 1.0}, {2, 2, 1.0}}, -1.0,
         "Calefax: error: cholesky: pivot of row 0 is not positive (nan)\n"},
    };
    for (const Case& c : cases)
    {
        std::unique_ptr<SSMat> A = sorted_matrix(3, c.entries);
        testing::internal::CaptureStderr();
        EXPECT_EQ(nullptr, c.th < 0.0 ? A->cholesky() : A->cholesky_th(c.th));
        EXPECT_EQ(c.message, testing::internal::GetCapturedStderr());
    }
}
