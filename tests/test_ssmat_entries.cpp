// tests/test_ssmat_entries.cpp: SSMat storage: entry pool, insertEntry, sort, getEntry,
// deleteEntry, modifyEntry and the copies, against a dense shadow matrix
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

// Taking the 5000th slot opens the second block at once; the 5001st entry is its first slot.
TEST(SSMat, FiveThousandFirstEntryOpensSecondBlock)
{
    SSMat A(6000);
    for (int k = 0; k < 4999; k++)
        A.insertEntry(k, k, 1.0);
    EXPECT_EQ(A.pool_first, A.pool_block);
    EXPECT_EQ(4999, A.pool_used);
    A.insertEntry(4999, 4999, 1.0);
    ASSERT_NE(nullptr, A.pool_first->next_block);
    EXPECT_EQ(A.pool_first->next_block, A.pool_block);
    EXPECT_EQ(0, A.pool_used);
    A.insertEntry(5000, 5000, 2.0);
    EXPECT_EQ(&A.pool_first->next_block->slot[0], A.row[5000]);
    EXPECT_EQ(5001, A.nnz);
}

// Every overload ignores a value of exactly 0.0 (also -0.0): no slot is taken, nnz stays.
TEST(SSMat, InsertingZeroStoresNothing)
{
    SSMat A(3);
    A.insertEntry(0, 1, 0.0);
    A.insertEntry(0, 1, -0.0, &A.row[0]);
    A.insertEntry(0, 1, 0.0, &A.row[0], &A.col[1]);
    EXPECT_EQ(0, A.nnz);
    EXPECT_EQ(0, A.pool_used);
    EXPECT_EQ(nullptr, A.row[0]);
}

// Random patterns inserted in random order: sorted rows (diagonal first) and columns, same
// values, and a second sort leaves every list exactly as it was.
TEST(SSMatSort, RandomOrderEndsSorted)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int n = 1; n <= 20; n++)
    {
        std::vector<std::pair<int, int>> pairs;
        for (int i = 0; i < n; i++)
            for (int j = i; j < n; j++)
                if (i == j || u(gen) < 0.3)
                    pairs.push_back({i, j});
        std::shuffle(pairs.begin(), pairs.end(), gen);
        SSMat A(n);
        std::vector<double> shadow((size_t)n * n, 0.0);
        for (const std::pair<int, int>& p : pairs)
        {
            double v = 1.0 + p.first + 0.5 * p.second;
            A.insertEntry(p.first, p.second, v);
            shadow[(size_t)p.first * n + p.second] = shadow[(size_t)p.second * n + p.first] = v;
        }
        A.sort();
        EXPECT_EQ("", sorted_state_error(&A));
        EXPECT_EQ((int)pairs.size(), A.nnz);
        EXPECT_EQ(shadow, dense_of(&A));
        for (int k = 0; k < n; k++)
            EXPECT_EQ(k, A.row[k]->j);
        std::vector<SSMat::Entry*> before, after;
        for (int k = 0; k < n; k++)
            for (SSMat::Entry* e = A.row[k]; e != nullptr; e = e->row_next)
                before.push_back(e);
        A.sort();
        for (int k = 0; k < n; k++)
            for (SSMat::Entry* e = A.row[k]; e != nullptr; e = e->row_next)
                after.push_back(e);
        EXPECT_EQ(before, after);
    }
}

// A long random sequence of modify (zero one time in seven), delete and get, indices in either
// order, keeps rows and columns consistent and equal to a dense shadow after every step.
TEST(SSMatEdits, RandomSequenceMatchesDenseShadow)
{
    const int n = 12;
    std::mt19937 gen(2024);
    std::uniform_int_distribution<int> idx(0, n - 1), op(0, 9), val(-3, 3);
    SSMat A(n);
    std::vector<double> shadow((size_t)n * n, 0.0);
    for (int step = 0; step < 3000; step++)
    {
        int i = idx(gen), j = idx(gen), o = op(gen);
        if (o < 6)
        {
            double v = val(gen) * 0.5;
            A.modifyEntry(i, j, v);
            shadow[(size_t)i * n + j] = shadow[(size_t)j * n + i] = v;
        }
        else if (o < 8)
        {
            ASSERT_EQ(shadow[(size_t)i * n + j] != 0.0 ? 1 : 0, A.deleteEntry(i, j)) << step;
            shadow[(size_t)i * n + j] = shadow[(size_t)j * n + i] = 0.0;
        }
        else
            ASSERT_EQ(shadow[(size_t)i * n + j], A.getEntry(j, i)) << step;
        ASSERT_EQ("", sorted_state_error(&A)) << "step " << step;
        ASSERT_EQ(shadow, dense_of(&A)) << "step " << step;
        int count = 0;
        for (int a = 0; a < n; a++)
            for (int b = a; b < n; b++)
                count += shadow[(size_t)a * n + b] != 0.0;
        ASSERT_EQ(count, A.nnz) << "step " << step;
    }
}

// Copies are sorted and equal to B, drop a stored 0.0, scale each value once; 0*B is empty;
// B is not modified.
TEST(SSMatCopy, CopiesAreSortedAndDropZeros)
{
    SSMat B(4);
    B.insertEntry(2, 3, 1.5);
    B.insertEntry(0, 0, 2.0);
    B.insertEntry(0, 3, -0.25);
    B.insertEntry(1, 1, 3.0);
    B.sort();
    B.row[1]->value = 0.0; // a zero left by arithmetic
    std::vector<double> d = dense_of(&B);
    SSMat C(&B);
    EXPECT_EQ("", sorted_state_error(&C));
    EXPECT_EQ(3, C.nnz);
    EXPECT_EQ(d, dense_of(&C));
    SSMat S(-1.5, &B);
    EXPECT_EQ("", sorted_state_error(&S));
    std::vector<double> s = dense_of(&S);
    for (size_t k = 0; k < d.size(); k++)
        EXPECT_EQ(-1.5 * d[k], s[k]);
    SSMat Z(0.0, &B);
    EXPECT_EQ(4, Z.n);
    EXPECT_EQ(0, Z.nnz);
    EXPECT_EQ(d, dense_of(&B));
    EXPECT_EQ(4, B.nnz);
}
