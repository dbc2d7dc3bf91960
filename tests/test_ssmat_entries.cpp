// tests/test_ssmat_entries.cpp: SSMat storage: insertEntry, sort, getEntry, deleteEntry,
// modifyEntry, against a dense shadow matrix
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/test_util.h"

// Inserts in random order, sort, then random modify (zero one time in seven), delete, get (either
// index order) and sort: sorted, equal to a dense shadow, no stored zeros after every step.
TEST(SSMatEdits, RandomSequenceMatchesDenseShadow)
{
    std::mt19937 gen(2024);
    std::uniform_int_distribution<int> op(0, 9), val(-3, 3);
    for (int n : {1, 7, 20})
    {
        SSMat A(n);
        std::vector<double> shadow((size_t)n * n, 0.0);
        std::vector<int> cells;
        for (int c = 0; c < n * n; c++)
            if (c / n <= c % n && op(gen) < 4)
                cells.push_back(c);
        std::shuffle(cells.begin(), cells.end(), gen);
        for (int c : cells)
        {
            A.insertEntry(c / n, c % n, 1.0 + c);
            shadow[c] = shadow[(c % n) * n + c / n] = 1.0 + c;
        }
        A.sort();
        std::uniform_int_distribution<int> idx(0, n - 1);
        for (int step = 0; step < 1500; step++)
        {
            int i = idx(gen), j = idx(gen), o = op(gen), stored = 0;
            double v = o < 6 ? val(gen) * 0.5 : 0.0; // what a modify or a delete leaves
            if (o < 6)
                A.modifyEntry(i, j, v);
            else if (o < 8)
                ASSERT_EQ(shadow[i * n + j] != 0.0, A.deleteEntry(i, j) == 1) << step;
            else if (o < 9)
                ASSERT_EQ(shadow[i * n + j], A.getEntry(j, i)) << step;
            else
                A.sort();
            if (o < 8)
                shadow[i * n + j] = shadow[j * n + i] = v;
            for (int k = 0; k < n * n; k++)
                stored += k / n <= k % n && shadow[k] != 0.0;
            ASSERT_EQ("", sorted_state_error(&A)) << "n " << n << " step " << step;
            ASSERT_EQ(shadow, dense_of(&A)) << step;
            ASSERT_EQ(stored, A.nnz) << step;
        }
    }
}
