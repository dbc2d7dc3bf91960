// tests/test_ssmat_entries.cpp: SSMat storage: entry pool, insertEntry, sort, getEntry,
// deleteEntry, modifyEntry and the copies, against a dense shadow matrix
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

namespace
{

// "" when A is in the sorted state, equal to the dense shadow and without stored zeros (nnz
// counts the shadow's upper nonzeros); else what differs.
std::string shadowError(SSMat* A, const std::vector<double>& shadow)
{
    std::string state = sorted_state_error(A);
    if (!state.empty() || dense_of(A) != shadow)
        return state.empty() ? "values differ from the shadow" : state;
    int count = 0;
    for (int a = 0; a < A->n; a++)
        for (int b = a; b < A->n; b++)
            count += shadow[(size_t)a * A->n + b] != 0.0;
    return count == A->nnz ? "" : "nnz " + std::to_string(A->nnz) + ", " + std::to_string(count);
}

} // namespace

// Zeros (also -0.0) take no slot in any overload; taking the 5000th slot opens the second block
// at once, so the 5001st entry is its first slot.
TEST(SSMat, FiveThousandFirstEntryOpensSecondBlock)
{
    SSMat A(6000);
    A.insertEntry(0, 1, 0.0);
    A.insertEntry(0, 1, -0.0, &A.row[0]);
    A.insertEntry(0, 1, 0.0, &A.row[0], &A.col[1]);
    for (int k = 0; k < 5000; k++)
        A.insertEntry(k, k, 1.0);
    EXPECT_EQ(0, A.pool_used);
    A.insertEntry(5000, 5000, 2.0);
    ASSERT_NE(nullptr, A.pool_first->next_block);
    EXPECT_EQ(&A.pool_first->next_block->slot[0], A.row[5000]);
    EXPECT_EQ(5001, A.nnz);
}

// A random pattern inserted in random order, sorted, then a long random sequence of modify (zero
// one time in seven), delete, get (indices in either order) and sort: rows and columns stay
// consistent and equal to a dense shadow after every step.
TEST(SSMatEdits, RandomSequenceMatchesDenseShadow)
{
    std::mt19937 gen(2024);
    std::uniform_int_distribution<int> op(0, 9), val(-3, 3);
    for (int n : {1, 7, 12, 20})
    {
        SSMat A(n);
        std::vector<double> shadow((size_t)n * n, 0.0);
        std::vector<int> cells(n * n);
        std::iota(cells.begin(), cells.end(), 0);
        std::shuffle(cells.begin(), cells.end(), gen);
        for (int c : cells)
            if (c / n <= c % n && (c / n == c % n || op(gen) < 3))
            {
                A.insertEntry(c / n, c % n, 1.0 + c);
                shadow[c] = shadow[(size_t)(c % n) * n + c / n] = 1.0 + c;
            }
        A.sort(); // checked with the first step
        std::uniform_int_distribution<int> idx(0, n - 1);
        for (int step = 0; step < 1500; step++)
        {
            int i = idx(gen), j = idx(gen), o = op(gen);
            double v = o < 6 ? val(gen) * 0.5 : 0.0; // what a modify or a delete leaves
            if (o < 6)
                A.modifyEntry(i, j, v);
            else if (o < 8)
                ASSERT_EQ(shadow[(size_t)i * n + j] != 0.0, A.deleteEntry(i, j) == 1) << step;
            else if (o < 9)
                ASSERT_EQ(shadow[(size_t)i * n + j], A.getEntry(j, i)) << step;
            else
                A.sort();
            if (o < 8)
                shadow[(size_t)i * n + j] = shadow[(size_t)j * n + i] = v;
            ASSERT_EQ("", shadowError(&A, shadow)) << "n " << n << " step " << step;
        }
    }
}

// Copies are sorted and equal to B, drop a stored 0.0, scale each value once; 0*B is empty;
// B is not modified.
TEST(SSMatCopy, CopiesAreSortedAndDropZeros)
{
    std::unique_ptr<SSMat> B =
        sorted_matrix(4, {{2, 3, 1.5}, {0, 0, 2.0}, {0, 3, -0.25}, {1, 1, 3.0}});
    B->row[1]->value = 0.0; // a zero left by arithmetic
    std::vector<double> d = dense_of(B.get()), scaled = d;
    for (double& x : scaled)
        x *= -1.5;
    SSMat C(B.get()), S(-1.5, B.get()), Z(0.0, B.get());
    EXPECT_EQ("", shadowError(&C, d));
    EXPECT_EQ("", shadowError(&S, scaled));
    EXPECT_EQ(0, Z.nnz);
    EXPECT_EQ(d, dense_of(B.get()));
}
