// tests/test_ssmat_io.cpp: SSMat printing (printm, fprintm, showMap) and the matrix text reader
// (read_text and the file constructor): formats, buffer straddles, and rejected files
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "sparse/SSMat.h"
#include "tests/scratch.h"
#include "tests/test_util.h"

namespace
{

// Everything printm(mode) writes on standard output.
std::string printed(SSMat* A, int mode)
{
    testing::internal::CaptureStdout();
    A->printm(mode);
    return testing::internal::GetCapturedStdout();
}

// read_text of m.txt holding text, in the scratch directory; the error text in *error.
std::unique_ptr<SSMat> readText(const std::string& text, std::string* error)
{
    write_file("m.txt", text);
    error->clear();
    return std::unique_ptr<SSMat>(SSMat::read_text("m.txt", 2, error));
}

} // namespace

// ---- printing ----------------------------------------------------------------------------------

// Modes 2 and 1 list every entry of both triangles by rows, then an empty line; mode 0 shows
// zeros after a row's last entry with five decimals, zeros before an entry with six; any other
// mode prints nothing.
TEST(Printm, Layouts)
{
    std::unique_ptr<SSMat> A = sorted_matrix(2, {{0, 0, 1.0}, {0, 1, 2.0}, {1, 1, 3.0}});
    EXPECT_EQ("     0      0    1.000000e+00\n"
              "     0      1    2.000000e+00\n"
              "     1      0    2.000000e+00\n"
              "     1      1    3.000000e+00\n"
              "\n",
              printed(A.get(), 2));
    EXPECT_EQ("(0, 0)1.000e+00\t(0, 1)2.000e+00\t\n(1, 0)2.000e+00\t(1, 1)3.000e+00\t\n\n",
              printed(A.get(), 1));
    EXPECT_EQ("1.00000e+00\t2.00000e+00\t\n2.00000e+00\t3.00000e+00\t\n\n", printed(A.get(), 0));
    EXPECT_EQ("", printed(A.get(), 3));
    EXPECT_EQ("0.00000e000\t0.00000e000\t\n0.000000e000\t1.00000e+00\t\n\n",
              printed(sorted_matrix(2, {{1, 1, 1.0}}).get(), 0));
}

// A diagonal 3 x 3 shows "*", " *", "  *"; an off-diagonal entry shows in both rows.
TEST(ShowMap, Patterns)
{
    std::unique_ptr<SSMat> D = sorted_matrix(3, {{0, 0, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}});
    std::unique_ptr<SSMat> A = sorted_matrix(3, {{0, 2, 1.0}, {1, 1, 1.0}});
    testing::internal::CaptureStdout();
    D->showMap();
    A->showMap();
    EXPECT_EQ("*\n *\n  *\n\n"
              "  *\n *\n*\n\n",
              testing::internal::GetCapturedStdout());
}

// ---- reading -----------------------------------------------------------------------------------

// Both triangles or the upper one only give the same matrix; i > j and zero lines add nothing;
// lines after the e-th are not read; the result is sorted.
TEST(SSMatReadText, BothTrianglesEqualUpperOnly)
{
    ScratchDir dir;
    std::string error;
    std::unique_ptr<SSMat> U = readText("3 0 4\n0 0 4.0\n0 2 -1.5\n2 2 2.0\n1 1 3\n", &error);
    std::unique_ptr<SSMat> B = readText("3 9 7\n0 0 4.0\n2 0 -1.5\n0 2 -1.5\n1 1 3\n2 2 2.0\n"
                                        "1 2 0.0\n0 1 0\nthis line is never read\n",
                                        &error);
    ASSERT_TRUE(U && B) << error;
    EXPECT_EQ(4, B->nnz);
    EXPECT_EQ("", sorted_state_error(B.get()));
    EXPECT_EQ(std::vector<double>({4.0, 0.0, -1.5, 0.0, 3.0, 0.0, -1.5, 0.0, 2.0}),
              dense_of(B.get()));
    EXPECT_EQ(dense_of(U.get()), dense_of(B.get()));
}

// CRLF line ends and tabs are read, and so is a last entry line without a newline that is the
// longest line the buffer holds (4095 characters).
TEST(SSMatReadText, LastLineWithoutNewline)
{
    ScratchDir dir;
    std::string last = "1 1 -" + std::string(4095 - 9, '0') + "7.25";
    std::string error;
    std::unique_ptr<SSMat> A = readText("2 0 3\r\n0\t0 1e0\r\n0 1   2.5\n" + last, &error);
    ASSERT_NE(nullptr, A) << error;
    EXPECT_EQ(std::vector<double>({1.0, 2.5, 2.5, -7.25}), dense_of(A.get()));
}

// A file of several buffers, with an entry line across the 4096-byte boundary, is read whole.
TEST(SSMatReadText, LineStraddlingBufferIsReadWhole)
{
    ScratchDir dir;
    std::string text = "700 0 700\n";
    for (int k = 0; k < 700; k++)
        text += std::to_string(k) + " " + std::to_string(k) + " " + std::to_string(k) + ".5\n";
    ASSERT_NE('\n', text[4095]); // the line holding the buffer's last byte goes on after it
    std::string error;
    std::unique_ptr<SSMat> A = readText(text, &error);
    ASSERT_NE(nullptr, A) << error;
    EXPECT_EQ(700, A->nnz);
    for (int k = 0; k < 700; k++)
        EXPECT_EQ(k + 0.5, A->getEntry(k, k));
}

// Every rejected file names the file, the line and what was wrong, and yields no matrix; one
// file of each kind.
TEST(SSMatReadText, RejectsBadFiles)
{
    ScratchDir dir;
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
    std::string error;
    for (const std::pair<std::string, std::string>& c : cases)
    {
        EXPECT_EQ(nullptr, readText(c.first, &error)) << c.second;
        EXPECT_EQ(c.second, error);
    }
    EXPECT_EQ(nullptr, SSMat::read_text("absent.txt", 2, &error));
    EXPECT_EQ("Cannot open this file!!\n", error);
}

// The file constructor takes over the matrix read, usable afterwards; format codes other than 2
// read nothing and give a 0 x 0 matrix.
TEST(SSMatReadText, ConstructorReadsFile)
{
    ScratchDir dir;
    write_file("m.txt", "3 0 3\n0 0 2\n1 2 -1\n2 2 5\n");
    SSMat A("m.txt", 2), Z("m.txt", 0);
    A.modifyEntry(0, 1, 4.0);
    EXPECT_EQ("", sorted_state_error(&A));
    EXPECT_EQ(std::vector<double>({2.0, 4.0, 0.0, 4.0, 0.0, -1.0, 0.0, -1.0, 5.0}), dense_of(&A));
    EXPECT_EQ(0, Z.n);
}

// A rejected file ends the program through fatal() with status 1 and the located message.
TEST(SSMatFileDeathTest, RejectedFileEndsThroughFatal)
{
    ScratchDir dir;
    write_file("bad.txt", "3 0 2\n0 0 1\n5 1 1\n");
    fflush(stdout);
    EXPECT_EXIT(
        {
            dup2(2, 1);
            SSMat A("bad.txt", 2);
        },
        testing::ExitedWithCode(1), "bad.txt:3: row index i = 5 is outside 0\\.\\.2");
}
