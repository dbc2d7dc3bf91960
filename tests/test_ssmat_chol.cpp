// tests/test_ssmat_chol.cpp: SSMat cholesky and cholesky_th against a dense reference; bad pivots
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

// Dense up-looking factor U of a (n x n, row-major), mirrored below: row i takes the updates of
// the rows k < i in increasing k as the sparse code does, and drops |U(i, j)| < th (0: none).
static std::vector<double> denseFactor(std::vector<double> u, int n, double th)
{
    for (int i = 0; i < n; i++)
    {
        double* w = &u[i * n]; // row i, becoming U(i, .)
        for (int k = 0; k < i; k++)
            for (int j = i; j < n; j++)
                w[j] = w[j] - u[k * n + i] * u[k * n + j];
        w[i] = sqrt(w[i]);
        for (int j = i + 1; j < n; j++)
            w[j] = u[j * n + i] = std::fabs(w[j] / w[i]) >= th ? w[j] / w[i] : 0.0;
    }
    return u;
}

// On a 3D grid (with fill), cholesky and cholesky_th (th = 0 as cholesky, th = 1 only the
// diagonal) equal it bit for bit, sorted, nnz counting the nonzeros of its upper triangle.
TEST(Cholesky, MatchesDenseReferenceExactly)
{
    std::unique_ptr<SSMat> A(grid_matrix(4, 3, 3, 6.1));
    const int n = A->n;
    for (double th : {-1.0, 0.0, 0.01, 0.2, 1.0}) // -1: cholesky()
    {
        std::unique_ptr<SSMat> U(th < 0.0 ? A->cholesky() : A->cholesky_th(th));
        ASSERT_NE(nullptr, U);
        std::vector<double> ref = denseFactor(dense_of(A.get()), n, std::max(th, 0.0));
        EXPECT_EQ("", sorted_state_error(U.get())) << "th " << th;
        EXPECT_EQ(ref, dense_of(U.get())) << "th " << th;
        EXPECT_EQ((n * n - std::count(ref.begin(), ref.end(), 0.0) + n) / 2, U->nnz) << "th " << th;
    }
}

// An indefinite, a singular and a NaN pivot: null factor and one line naming the row.
TEST(Cholesky, NonPositivePivotReturnsNull)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, sorted_matrix(2, {{0, 0, 1.0}, {0, 1, 2.0}, {1, 1, 1.0}})->cholesky());
    EXPECT_EQ(nullptr, sorted_matrix(2, {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}})->cholesky_th(0.5));
    EXPECT_EQ(nullptr, sorted_matrix(2, {{0, 0, NAN}, {1, 1, 1.0}})->cholesky());
    EXPECT_EQ("Calefax: error: cholesky: pivot of row 1 is not positive (-3)\n"
              "Calefax: error: cholesky_th: pivot of row 1 is not positive (0)\n"
              "Calefax: error: cholesky: pivot of row 0 is not positive (nan)\n",
              testing::internal::GetCapturedStderr());
}
