// tests/test_ssmat_io.cpp: SSMat printing (printm, fprintm, showMap) and the matrix text reader
// (read_text and the file constructor): formats, buffer straddles, and rejected files
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "sparse/SSMat.h"
#include "tests/scratch.h"
#include "tests/test_util.h"

namespace
{

// Everything fprintm(mode) writes, read back from a temporary file.
std::string fprintmText(SSMat* A, int mode)
{
    FILE* f = tmpfile();
    A->fprintm(f, mode);
    long size = ftell(f);
    rewind(f);
    std::string s(size, '\0');
    size_t got = fread(&s[0], 1, size, f);
    fclose(f);
    s.resize(got);
    return s;
}

// Stored (0,0) = 1, (0,1) = 2, (1,1) = 3.
SSMat* twoByTwo()
{
    SSMat* A = new SSMat(2);
    A->insertEntry(0, 0, 1.0);
    A->insertEntry(0, 1, 2.0);
    A->insertEntry(1, 1, 3.0);
    A->sort();
    return A;
}

// read_text of a file with the given text in the scratch directory; the error text in *error.
SSMat* readText(const std::string& text, std::string* error, const char* name = "m.txt")
{
    write_file(name, text);
    error->clear();
    return SSMat::read_text(name, 2, error);
}

} // namespace

// ---- printing ----------------------------------------------------------------------------------

// Modes 2 and 1 list every entry of both triangles by rows, then an empty line; printm and
// fprintm write the same; any other mode prints nothing.
TEST(Printm, CoordinateLayouts)
{
    SSMat* A = twoByTwo();
    testing::internal::CaptureStdout();
    A->printm(2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ("     0      0    1.000000e+00\n"
              "     0      1    2.000000e+00\n"
              "     1      0    2.000000e+00\n"
              "     1      1    3.000000e+00\n"
              "\n",
              out);
    EXPECT_EQ(out, fprintmText(A, 2));
    EXPECT_EQ("(0, 0)1.000e+00\t(0, 1)2.000e+00\t\n(1, 0)2.000e+00\t(1, 1)3.000e+00\t\n\n",
              fprintmText(A, 1));
    EXPECT_EQ("", fprintmText(A, 3));
    EXPECT_EQ("", fprintmText(A, -1));
    delete A;
}

// Mode 0: zeros after a row's last entry have five decimals, zeros before an entry six; an
// off-diagonal entry shows in both of its rows.
TEST(Printm, DenseTablePlaceholders)
{
    SSMat A(2);
    A.insertEntry(1, 1, 1.0);
    A.sort();
    testing::internal::CaptureStdout();
    A.printm(0);
    EXPECT_EQ("0.00000e000\t0.00000e000\t\n0.000000e000\t1.00000e+00\t\n\n",
              testing::internal::GetCapturedStdout());
    SSMat B(3);
    B.insertEntry(0, 2, -2.5);
    B.insertEntry(1, 1, 1.0);
    B.sort();
    EXPECT_EQ("0.000000e000\t0.000000e000\t-2.50000e+00\t\n"
              "0.000000e000\t1.00000e+00\t0.00000e000\t\n"
              "-2.50000e+00\t0.00000e000\t0.00000e000\t\n"
              "\n",
              fprintmText(&B, 0));
}

// A diagonal 3 x 3 shows "*", " *", "  *"; an off-diagonal entry shows in both rows.
TEST(ShowMap, Patterns)
{
    SSMat D(3);
    for (int k = 0; k < 3; k++)
        D.insertEntry(k, k, 1.0);
    D.sort();
    testing::internal::CaptureStdout();
    D.showMap();
    EXPECT_EQ("*\n *\n  *\n\n", testing::internal::GetCapturedStdout());

    SSMat A(3);
    A.insertEntry(0, 2, 1.0);
    A.insertEntry(1, 1, 1.0);
    A.sort();
    testing::internal::CaptureStdout();
    A.showMap();
    EXPECT_EQ("  *\n *\n*\n\n", testing::internal::GetCapturedStdout());
}

// ---- reading -----------------------------------------------------------------------------------

// Both triangles or the upper one only give the same matrix; i > j and zero lines add nothing;
// lines after the e-th are not read; the result is sorted.
TEST(SSMatReadText, BothTrianglesEqualUpperOnly)
{
    ScratchDir dir;
    std::string error;
    SSMat* U = readText("3 0 4\n0 0 4.0\n0 2 -1.5\n2 2 2.0\n1 1 3\n", &error, "upper.txt");
    ASSERT_NE(nullptr, U) << error;
    SSMat* B = readText("3 9 7\n0 0 4.0\n2 0 -1.5\n0 2 -1.5\n1 1 3\n2 2 2.0\n1 2 0.0\n"
                        "0 1 0\nthis line is never read\n",
                        &error, "both.txt");
    ASSERT_NE(nullptr, B) << error;
    EXPECT_EQ(3, B->n);
    EXPECT_EQ(4, B->nnz);
    EXPECT_EQ(dense_of(U), dense_of(B));
    EXPECT_EQ("", sorted_state_error(B));
    EXPECT_EQ(-1.5, B->getEntry(2, 0));
    delete U;
    delete B;
}

// A last entry line without a newline, CRLF line ends and tabs are all read.
TEST(SSMatReadText, LastLineWithoutNewline)
{
    ScratchDir dir;
    std::string error;
    SSMat* A = readText("2 0 3\r\n0\t0 1e0\r\n0 1   2.5\n1 1 -7.25", &error);
    ASSERT_NE(nullptr, A) << error;
    EXPECT_EQ(3, A->nnz);
    EXPECT_EQ(1.0, A->getEntry(0, 0));
    EXPECT_EQ(2.5, A->getEntry(1, 0));
    EXPECT_EQ(-7.25, A->getEntry(1, 1));
    delete A;
}

// A file of several buffers, with an entry line across the 4096-byte boundary, is read whole.
TEST(SSMatReadText, LineStraddlingBufferIsReadWhole)
{
    ScratchDir dir;
    const int n = 700;
    std::string text = std::to_string(n) + " 0 " + std::to_string(n) + "\n";
    bool straddles = false;
    for (int k = 0; k < n; k++)
    {
        std::string line =
            std::to_string(k) + " " + std::to_string(k) + " " + std::to_string(k + 1) + ".125\n";
        size_t start = text.size();
        text += line;
        straddles = straddles || (start < 4096 && text.size() > 4096 && text[4095] != '\n');
    }
    ASSERT_TRUE(straddles);
    ASSERT_GT(text.size(), 2u * 4096);
    std::string error;
    SSMat* A = readText(text, &error);
    ASSERT_NE(nullptr, A) << error;
    EXPECT_EQ(n, A->nnz);
    for (int k = 0; k < n; k++)
        EXPECT_EQ(k + 1.125, A->getEntry(k, k));
    delete A;
}

// Every rejected file names the file, the line and what was wrong, and yields no matrix.
TEST(SSMatReadText, RejectsBadFiles)
{
    ScratchDir dir;
    struct Case
    {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "m.txt:1: empty file; expected the header line 'n ignored e'"},
        {"3 0\n", "m.txt:1: expected the header 'n ignored e' of 3 integers, found 2 items"},
        {"3 x 1\n0 0 1\n", "m.txt:1: 'x' is not an integer (second header item)"},
        {"-3 0 1\n", "m.txt:1: dimension n = -3 is negative"},
        {"3 0 -1\n", "m.txt:1: entry count e = -1 is negative"},
        {"3 0 3\n0 0 1\n1 1 1\n", "m.txt:4: file ends after 2 of 3 entry lines"},
        {"3 0 3\n0 0 1\n1 1 1", "m.txt:4: file ends after 2 of 3 entry lines"},
        {"3 0 2\n0 0 1\n1 3 1\n", "m.txt:3: column index j = 3 is outside 0..2"},
        {"3 0 2\n0 0 1\n-1 1 1\n", "m.txt:3: row index i = -1 is outside 0..2"},
        {"3 0 1\n0 1.0 1\n", "m.txt:2: '1.0' is not an integer (column index j)"},
        {"3 0 1\n0 0 1.5x\n", "m.txt:2: '1.5x' is not a finite number (value v)"},
        {"3 0 1\n0 0 nan\n", "m.txt:2: 'nan' is not a finite number (value v)"},
        {"3 0 1\n0 0 1e999\n", "m.txt:2: '1e999' is not a finite number (value v)"},
        {"3 0 1\n0 0\n", "m.txt:2: expected an entry 'i j v' of 3 items, found 2"},
        {"3 0 1\n0 0 1 4\n", "m.txt:2: expected an entry 'i j v' of 3 items, found more than 3"},
        {"3 0 1\n\n", "m.txt:2: expected an entry 'i j v' of 3 items, found 0"},
        {"3 0 1\n0 0 1 # note\n",
         "m.txt:2: expected an entry 'i j v' of 3 items, found more than 3"},
        {"3 0 2\n0 1 1\n0 1 2\n", "m.txt: entry (0, 1) is listed on more than one line"},
        {"3 0 1\n0 " + std::string(4100, '0') + "1 1\n",
         "m.txt:2: line longer than 4095 characters"},
    };
    for (const Case& c : cases)
    {
        std::string error;
        SSMat* A = readText(c.text, &error);
        EXPECT_EQ(nullptr, A) << c.message;
        EXPECT_EQ(c.message, error);
        delete A;
    }
    std::string error;
    EXPECT_EQ(nullptr, SSMat::read_text("absent.txt", 2, &error));
    EXPECT_EQ("Cannot open this file!!\n", error);
}

// A line of 4095 characters plus its newline fits the buffer exactly and is accepted.
TEST(SSMatReadText, LongestLineFits)
{
    ScratchDir dir;
    std::string line = "0 0 " + std::string(4095 - 6, '0') + "25";
    ASSERT_EQ(4095u, line.size());
    std::string error;
    SSMat* A = readText("1 0 1\n" + line + "\n", &error);
    ASSERT_NE(nullptr, A) << error;
    EXPECT_EQ(25.0, A->getEntry(0, 0));
    delete A;
}

// The file constructor reads the matrix and the result is fully usable; format codes other
// than 2 read nothing and give a 0 x 0 matrix.
TEST(SSMatReadText, ConstructorReadsFile)
{
    ScratchDir dir;
    write_file("m.txt", "3 0 3\n0 0 2\n1 2 -1\n2 2 5\n");
    SSMat A("m.txt", 2);
    EXPECT_EQ(3, A.n);
    EXPECT_EQ(3, A.nnz);
    EXPECT_EQ(-1.0, A.getEntry(2, 1));
    EXPECT_EQ("", sorted_state_error(&A));
    A.modifyEntry(0, 1, 4.0);
    EXPECT_EQ(4, A.nnz);
    SSMat Z("m.txt", 0);
    EXPECT_EQ(0, Z.n);
    EXPECT_EQ(0, Z.nnz);
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
    EXPECT_EXIT(
        {
            dup2(2, 1);
            SSMat A("absent.txt", 2);
        },
        testing::ExitedWithCode(1), "Cannot open this file!!");
}
