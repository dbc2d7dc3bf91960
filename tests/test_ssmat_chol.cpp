// tests/test_ssmat_chol.cpp: SSMat cholesky and cholesky_th against the plain implementation of
// their algorithm in tests/ssmat_reference.h (bit for bit), including failing pivots
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <random>

#include "sparse/SSMat.h"
#include "tests/ssmat_reference.h"
#include "tests/test_util.h"

// U = A->cholesky() or cholesky_th(th) (th < 0: cholesky) and the reference: both null with the
// same message (counted in *failed), or U sorted with the same entries bit for bit (0.0 and -0.0
// differ; equal nnz and dense values also rule out a stored 0.0). "" when they agree.
static std::string factorAgainstReference(SSMat* A, double th, int* failed = nullptr)
{
    testing::internal::CaptureStderr();
    std::unique_ptr<SSMat> U(th < 0.0 ? A->cholesky() : A->cholesky_th(th));
    std::string err = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    std::unique_ptr<SSMat> R(reference_factor(A, th >= 0.0, th));
    std::string ref_err = testing::internal::GetCapturedStderr();
    if (err != ref_err || (U == nullptr) != (R == nullptr))
        return "failure: '" + err + "' against '" + ref_err + "'";
    if (U == nullptr && failed != nullptr)
        ++*failed;
    if (U == nullptr)
        return "";
    std::vector<double> u = dense_of(U.get()), r = dense_of(R.get());
    if (U->nnz != R->nnz || memcmp(u.data(), r.data(), u.size() * sizeof(double)) != 0)
        return "entries differ, nnz " + std::to_string(U->nnz) + " / " + std::to_string(R->nnz);
    return sorted_state_error(U.get());
}

// The complete factor and threshold factors, from no drop to dropping every off-diagonal entry,
// of: random patterns from nearly diagonal to dense, with unsorted rows or sorted and reordered;
// 3D and 2D grids in the natural, RCM and MMD orders (long chains of rows formed together, wide
// and narrow structures, factors over many pool blocks); diagonal matrices (no off-diagonal
// entry) and the two arrows (the full first row fills the whole factor, the full last column
// fills nothing).
TEST(Cholesky, PatternsMatchReference)
{
    std::mt19937 gen(7);
    std::vector<std::unique_ptr<SSMat>> list;
    for (int n : {1, 2, 3, 9, 40, 150})
        for (double density : {0.02, 0.1, 0.4, 1.0})
        {
            list.push_back(random_spd(n, density, 1.0, &gen));
            std::unique_ptr<SSMat> A = random_spd(n, density, 1.0, &gen);
            std::vector<int> perm(n);
            std::iota(perm.begin(), perm.end(), 0);
            std::shuffle(perm.begin(), perm.end(), gen);
            A->sort();
            list.emplace_back(A->permute(perm.data()));
        }
    for (auto d : {std::vector<int>{9, 8, 7}, {30, 25, 1}, {5, 4, 3}})
    {
        std::unique_ptr<SSMat> A(grid_matrix(d[0], d[1], d[2], 6.1));
        std::vector<int> natural(A->n), rcm(A->n), mmd(A->n);
        std::iota(natural.begin(), natural.end(), 0);
        A->RCM(rcm.data());
        A->MMD(mmd.data());
        for (std::vector<int>* perm : {&natural, &rcm, &mmd})
            list.emplace_back(A->permute(perm->data()));
    }
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
        for (auto* entries : {&diag, &first, &last})
            list.push_back(sorted_matrix(n, *entries));
    }
    for (size_t m = 0; m < list.size(); m++)
        for (double th : {-1.0, 0.0, 1e-3, 0.05, 0.3, 10.0})
            EXPECT_EQ("", factorAgainstReference(list[m].get(), th)) << "matrix " << m << " " << th;
}

// Indefinite, singular and NaN pivots, and indefinite random matrices (diagonals scaled down):
// null at the same row with the same message as the reference.
TEST(Cholesky, FailingPivotsMatchReference)
{
    int failed = 0;
    std::vector<std::unique_ptr<SSMat>> bad;
    bad.push_back(sorted_matrix(2, {{0, 0, 1.0}, {0, 1, 2.0}, {1, 1, 1.0}}));
    bad.push_back(sorted_matrix(2, {{0, 0, 1.0}, {0, 1, 1.0}, {1, 1, 1.0}}));
    bad.push_back(sorted_matrix(2, {{0, 0, NAN}, {1, 1, 1.0}}));
    std::mt19937 gen(8);
    for (int n : {5, 30, 120})
        for (double scale : {0.3, 0.6})
            bad.push_back(random_spd(n, 0.2, scale, &gen));
    for (size_t m = 0; m < bad.size(); m++)
        for (double th : {-1.0, 0.01})
            EXPECT_EQ("", factorAgainstReference(bad[m].get(), th, &failed)) << m << " " << th;
    EXPECT_LE(2 * (3 + 3), failed); // the three small ones and half of the random ones fail
}

// A = U0'*U0 for a random integer upper U0 with unit diagonal: every operation is exact, so the
// factor is U0 itself, and an update that cancels to exactly 0.0 (some after going to 0.0 and
// back) is not stored.
TEST(Cholesky, ExactCancellationsAreNotStored)
{
    std::mt19937 gen(9);
    std::uniform_int_distribution<int> pick(0, 9), val(-3, 3);
    for (int n : {6, 25, 80})
    {
        std::vector<double> u0((size_t)n * n, 0.0); // mirrored below the diagonal, as dense_of
        for (int i = 0; i < n; i++)
            for (int j = i; j < n; j++)
                u0[i * n + j] = u0[j * n + i] = i == j ? 1.0 : pick(gen) < 3 ? val(gen) : 0.0;
        std::vector<UpperEntry> entries;
        int cancelled = 0; // A(i, j) != 0.0 where U0(i, j) == 0.0
        for (int i = 0; i < n; i++)
            for (int j = i; j < n; j++)
            {
                double a = 0.0;
                for (int k = 0; k <= i; k++)
                    a += u0[k * n + i] * u0[k * n + j];
                if (a != 0.0)
                    entries.push_back({i, j, a});
                cancelled += a != 0.0 && u0[i * n + j] == 0.0;
            }
        std::unique_ptr<SSMat> A = sorted_matrix(n, entries), U(A->cholesky());
        ASSERT_NE(nullptr, U);
        EXPECT_EQ(u0, dense_of(U.get())) << n;
        EXPECT_LT(0, cancelled) << n;
        EXPECT_EQ("", factorAgainstReference(A.get(), -1.0)) << n;
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
        EXPECT_EQ("", factorAgainstReference(sorted_matrix(13, entries).get(), -1.0)) << c;
    }
}
