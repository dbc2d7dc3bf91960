// tests/test_ssmat_chol.cpp: SSMat cholesky and cholesky_th against a dense reference and against
// the plain implementation of their algorithm (bit for bit); bad pivots
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "sparse/SSMat.h"
#include "tests/ssmat_reference.h"
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

// ---- against the plain implementation of the factorisations (tests/ssmat_reference.h) ---------

// U = A->cholesky() or cholesky_th(th) (th < 0: cholesky) and the reference: both null with the
// same message, or the same entries bit for bit with U sorted. "" when they agree.
static std::string factorAgainstReference(SSMat* A, double th)
{
    testing::internal::CaptureStderr();
    std::unique_ptr<SSMat> U(th < 0.0 ? A->cholesky() : A->cholesky_th(th));
    std::string err = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    std::unique_ptr<SSMat> R(reference_factor(A, th >= 0.0, th));
    std::string ref_err = testing::internal::GetCapturedStderr();
    if (err != ref_err || (U == nullptr) != (R == nullptr))
        return "failure: '" + err + "' against '" + ref_err + "'";
    if (U == nullptr)
        return "";
    std::string state = sorted_state_error(U.get());
    return state.empty() ? first_difference(U.get(), R.get()) : state;
}

// Random patterns from nearly diagonal to dense, with unsorted rows or sorted and reordered, the
// complete factor and threshold factors from no drop to dropping every off-diagonal entry.
TEST(Cholesky, RandomPatternsMatchReference)
{
    std::mt19937 gen(7);
    for (int n : {1, 2, 3, 9, 40, 150})
        for (double density : {0.02, 0.1, 0.4, 1.0})
        {
            std::unique_ptr<SSMat> A = random_spd(n, density, 1.0, &gen);
            std::vector<int> perm(n);
            for (int k = 0; k < n; k++)
                perm[k] = k;
            std::shuffle(perm.begin(), perm.end(), gen);
            A->sort();
            std::unique_ptr<SSMat> B(A->permute(perm.data()));
            for (double th : {-1.0, 0.0, 1e-3, 0.05, 0.3, 10.0})
                for (SSMat* M : {A.get(), B.get()})
                    EXPECT_EQ("", factorAgainstReference(M, th))
                        << "n " << n << " density " << density << " th " << th;
        }
    std::unique_ptr<SSMat> unsorted = random_spd(60, 0.1, 1.0, &gen);
    EXPECT_EQ("", factorAgainstReference(unsorted.get(), -1.0));
    EXPECT_EQ("", factorAgainstReference(unsorted.get(), 0.01));
}

// Indefinite random matrices (diagonals scaled down) fail at the same row with the same value
// as the reference.
TEST(Cholesky, FailingPivotsMatchReference)
{
    std::mt19937 gen(8);
    int failed = 0;
    for (int n : {5, 30, 120})
        for (double scale : {0.3, 0.6})
        {
            std::unique_ptr<SSMat> A = random_spd(n, 0.2, scale, &gen);
            EXPECT_EQ("", factorAgainstReference(A.get(), -1.0)) << n << " " << scale;
            EXPECT_EQ("", factorAgainstReference(A.get(), 0.01)) << n << " " << scale;
            testing::internal::CaptureStderr();
            failed += std::unique_ptr<SSMat>(A->cholesky()) == nullptr;
            testing::internal::GetCapturedStderr();
        }
    EXPECT_LE(3, failed); // half of the six matrices are indefinite
}

// A = U0'*U0 for a random integer upper U0 with unit diagonal: every operation is exact, so the
// factor is U0 itself, and each fill position where U0 holds 0 is an update that cancelled to
// exactly 0.0 (some after going to 0.0 and back) and is not stored.
TEST(Cholesky, ExactCancellationsAreNotStored)
{
    std::mt19937 gen(9);
    std::uniform_int_distribution<int> pick(0, 9), val(-3, 3);
    for (int n : {6, 25, 80})
    {
        std::vector<double> u0((size_t)n * n, 0.0), a((size_t)n * n, 0.0);
        for (int i = 0; i < n; i++)
        {
            u0[i * n + i] = 1.0;
            for (int j = i + 1; j < n; j++)
                if (pick(gen) < 3)
                    u0[i * n + j] = val(gen);
        }
        std::vector<UpperEntry> entries;
        for (int i = 0; i < n; i++)
            for (int j = i; j < n; j++)
            {
                for (int k = 0; k <= i; k++)
                    a[i * n + j] += u0[k * n + i] * u0[k * n + j];
                if (a[i * n + j] != 0.0)
                    entries.push_back({i, j, a[i * n + j]});
            }
        std::unique_ptr<SSMat> A = sorted_matrix(n, entries);
        std::unique_ptr<SSMat> U(A->cholesky());
        ASSERT_NE(nullptr, U);
        std::vector<double> full = dense_of(U.get());
        for (int i = 0; i < n; i++)
            for (int j = 0; j < i; j++)
                full[i * n + j] = 0.0;
        EXPECT_EQ(u0, full) << n;
        EXPECT_EQ("", factorAgainstReference(A.get(), -1.0)) << n;

        // fill without cancellation: the structure's entries, which U0 must lack somewhere
        std::vector<char> s((size_t)n * n, 0);
        long structure = 0, stored = 0;
        for (int i = 0; i < n; i++)
            for (int j = i; j < n; j++)
            {
                s[i * n + j] = a[i * n + j] != 0.0;
                for (int k = 0; k < i && !s[i * n + j]; k++)
                    s[i * n + j] = s[k * n + i] && s[k * n + j];
                structure += s[i * n + j];
                stored += u0[i * n + j] != 0.0;
            }
        EXPECT_LT(stored, structure) << n;
    }
}

// 3D and 2D grids in the natural, RCM and MMD orders: long chains of rows formed together, wide
// and narrow structures, factors spread over many pool blocks.
TEST(Cholesky, GridsInEveryOrderMatchReference)
{
    for (auto dims :
         {std::vector<int>{9, 8, 7}, std::vector<int>{30, 25, 1}, std::vector<int>{5, 4, 3}})
    {
        std::unique_ptr<SSMat> A(grid_matrix(dims[0], dims[1], dims[2], 6.1));
        std::vector<int> perm(A->n);
        for (int order = 0; order < 3; order++)
        {
            if (order == 0)
                for (int k = 0; k < A->n; k++)
                    perm[k] = k;
            else if (order == 1)
                A->RCM(perm.data());
            else
                A->MMD(perm.data());
            std::unique_ptr<SSMat> B(A->permute(perm.data()));
            EXPECT_EQ("", factorAgainstReference(B.get(), -1.0)) << dims[0] << " " << order;
            EXPECT_EQ("", factorAgainstReference(B.get(), 1e-4)) << dims[0] << " " << order;
        }
    }
}

// Diagonal matrices (no off-diagonal entry at all), and the two arrows: the full first row fills
// the whole factor, the full last column fills nothing.
TEST(Cholesky, DiagonalAndArrowMatricesMatchReference)
{
    for (int n : {1, 4, 33})
    {
        std::vector<UpperEntry> diag, first, last;
        for (int i = 0; i < n; i++)
        {
            diag.push_back({i, i, 2.0 + i});
            first.push_back({i, i, i == 0 ? 4.0 * n : 3.0});
            last.push_back({i, i, i == n - 1 ? 4.0 * n : 3.0});
            if (i > 0)
                first.push_back({0, i, 1.0 + 0.125 * i});
            if (i < n - 1)
                last.push_back({i, n - 1, 1.0 - 0.125 * i});
        }
        std::unique_ptr<SSMat> D = sorted_matrix(n, diag), F = sorted_matrix(n, first),
                               L = sorted_matrix(n, last);
        for (double th : {-1.0, 0.5})
        {
            EXPECT_EQ("", factorAgainstReference(D.get(), th)) << n;
            EXPECT_EQ("", factorAgainstReference(F.get(), th)) << n;
            EXPECT_EQ("", factorAgainstReference(L.get(), th)) << n;
        }
        std::unique_ptr<SSMat> UD(D->cholesky()), UF(F->cholesky()), UL(L->cholesky());
        EXPECT_EQ(n, UD->nnz);
        EXPECT_EQ(n * (n + 1) / 2, UF->nnz);
        EXPECT_EQ(L->nnz, UL->nnz);
    }
}

// A pivot of 1e-300 makes U(0, c) overflow to infinity, c = 6 or 12, where rows 2..9 form a
// chain of the elimination tree that ends at row 9 (column 12 lies beyond it); row 1 holds the
// same columns as row 0 with finite values, and row 4 holds (4, c) but not (0, 4) or (1, 4),
// between the (0, 3) and (0, 5) that rows 0 and 1 hold. The infinity reaches only the rows that
// hold (0, k) and their descendants, as in the reference, down to the first failing pivot.
TEST(Cholesky, InfiniteEntriesReachOnlyTheirRows)
{
    for (int c : {6, 12})
    {
        std::vector<UpperEntry> entries = {
            {0, 0, 1e-300}, {0, 3, 1.0}, {0, 5, 1.0}, {0, c, 1e200}, {1, 1, 4.0},  {1, 3, 1.0},
            {1, 5, 1.0},    {1, c, 1.0}, {4, c, 0.5}, {3, 3, 1e301}, {5, 5, 1e301}};
        for (int i = 2; i < 13; i++)
        {
            if (i != 3 && i != 5)
                entries.push_back({i, i, 4.0});
            if (i < 9)
                entries.push_back({i, i + 1, 1.0});
        }
        std::unique_ptr<SSMat> A = sorted_matrix(13, entries);
        EXPECT_EQ("", factorAgainstReference(A.get(), -1.0)) << c;
    }
}
