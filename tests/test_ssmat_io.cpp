// tests/test_ssmat_io.cpp: the SSMat text reader read_text: accepted forms and rejected files
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/scratch.h"
#include "tests/test_util.h"

// Both triangles or the upper one give the same sorted matrix; i > j and zero lines add nothing,
// lines after the e-th are not read; CRLF, tabs and a last line of 4095 characters without a
// newline are read.
TEST(SSMatReadText, AcceptedFormsAndRejectedFiles)
{
    ScratchDir dir;
    const std::vector<double> d = {4.0, 0.0, -1.5, 0.0, 3.0, 0.0, -1.5, 0.0, -7.25};
    const std::string last = "2 2 -" + std::string(4095 - 9, '0') + "7.25";
    const std::string texts[] = {
        "3 9 7\n0 0 4.0\n2 0 -1.5\n0 2 -1.5\n1 1 3\n2 2 -7.25\n1 2 0.0\n0 1 0\nnever read\n",
        "3 0 4\r\n0\t0 4e0\r\n0 2   -1.5\n1 1 3\n" + last,
    };
    std::string error;
    for (const std::string& text : texts)
    {
        write_file("m.txt", text);
        std::unique_ptr<SSMat> A(SSMat::read_text("m.txt", 2, &error));
        ASSERT_NE(nullptr, A) << error;
        EXPECT_EQ(4, A->nnz);
        EXPECT_EQ("", sorted_state_error(A.get()));
        EXPECT_EQ(d, dense_of(A.get()));
    }
    // Every rejected file yields no matrix and a message naming the file, the line and the fault.
    const std::pair<std::string, std::string> cases[] = {
        {"", "m.txt:1: empty file; expected the header line 'n ignored e'"},
        {"3 0\n", "m.txt:1: expected the header 'n ignored e' of 3 integers, found 2 items"},
        {"-3 0 1\n", "m.txt:1: dimension n = -3 is negative"},
        {"1048577 0 1\n0 0 1\n", "m.txt:1: dimension n = 1048577 is above 1048576 and more than "
                                 "twice the entry count e = 1"},
        {"3 0 3\n0 0 1\n1 1 1", "m.txt:4: file ends after 2 of 3 entry lines"},
        {"3 0 2\n0 0 1\n1 3 1\n", "m.txt:3: column index j = 3 is outside 0..2"},
        {"3 0 1\n0 1.0 1\n", "m.txt:2: '1.0' is not an integer (column index j)"},
        {"3 0 1\n0 0 1.5x\n", "m.txt:2: '1.5x' is not a finite number (value v)"},
        {"3 0 1\n0 0 nan\n", "m.txt:2: 'nan' is not a finite number (value v)"},
        {"3 0 1\n0 0\n", "m.txt:2: expected an entry 'i j v' of 3 items, found 2"},
        {"3 0 1\n0 0 1 # note\n",
         "m.txt:2: expected an entry 'i j v' of 3 items, found more than 3"},
        {"3 0 2\n0 1 1\n0 1 2\n", "m.txt: entry (0, 1) is listed on more than one line"},
        {"3 0 1\n0 " + std::string(4100, '0') + "1 1\n",
         "m.txt:2: line longer than 4095 characters"},
    };
    for (const std::pair<std::string, std::string>& c : cases)
    {
        write_file("m.txt", c.first);
        EXPECT_EQ(nullptr, SSMat::read_text("m.txt", 2, &error)) << c.second;
        EXPECT_EQ(c.second, error);
    }
    EXPECT_EQ(nullptr, SSMat::read_text("absent.txt", 2, &error));
    EXPECT_EQ("Cannot open this file!!\n", error);
}
