// tests/test_fuzz_regressions.cpp: the inputs the fuzz targets found (tests/data/fuzz/<target>/)
// replayed through their readers, and the bounds on what a count in a file may make a reader claim
#include "fuzz/fuzz_readers.h"
#include "scratch.h"
#include "test_util.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <vector>

// AddressSanitizer reserves terabytes of shadow address space, so a limit on the address space
// cannot be set under it; there the bounded inputs run without one.
#if defined(__SANITIZE_ADDRESS__)
#define CALEFAX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CALEFAX_ASAN 1
#endif
#endif

namespace
{

// Replays every file of tests/data/fuzz/<target>/ through verdict, in name order; there must be
// at least one.
void replay(const char* target,
            const std::function<std::string(const std::string&, std::string*)>& verdict)
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(
             std::filesystem::path(CALEFAX_TEST_DATA) / "fuzz" / target))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << target;
    for (const std::filesystem::path& f : files)
    {
        std::string error;
        EXPECT_EQ("", verdict(read_file(f.string()), &error)) << f << ": " << error;
    }
}

#ifndef CALEFAX_ASAN
// The child of within_one_gib: limits its address space, runs check, reports what went wrong on
// standard error and exits with status 0 when nothing did.
[[noreturn]] void run_limited(std::string (*check)())
{
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = (rlim_t)1 << 30;
    setrlimit(RLIMIT_AS, &limit);
    std::string failure = check();
    fprintf(stderr, "%s", failure.c_str());
    _exit(failure.empty() ? 0 : 1);
}
#endif

// Runs check in a child process whose address space is limited to 1 GiB, so that an attempt to
// claim gigabytes fails there; check returns "" or what went wrong. Under AddressSanitizer it
// runs in this process without the limit.
void within_one_gib(std::string (*check)())
{
#ifdef CALEFAX_ASAN
    EXPECT_EQ("", check());
#else
    fflush(stdout);
    EXPECT_EXIT(run_limited(check), testing::ExitedWithCode(0), "^$");
#endif
}

// "" when text, read by verdict, is refused with exactly expected ("" for accepted), else what
// happened.
std::string refused(std::string (*verdict)(const std::string&, std::string*),
                    const std::string& text, const std::string& expected)
{
    std::string error;
    std::string broken = verdict(text, &error);
    if (!broken.empty())
        return broken;
    return error == expected ? "" : "rejection '" + error + "', expected '" + expected + "'";
}

} // namespace

// ---- every kept input, through the promises the fuzz targets check -----------------------------
// tests/data/fuzz/<target>/ holds every input on which a fuzz target failed, named after the
// fault, and hostile inputs written by hand (int limits, NUL bytes, overlong comments, counts
// that claim gigabytes). The sanitizer build of this test replays them under ASan and UBSan.

// Kept data files, ADI input files and "TSinput.txt" files (on the fuzz targets' 16 x 16 x 10
// built-in models) and matrix files each read to items in range or to one located rejection; the
// grid whose node count overflowed a long long is refused by the bound.
TEST(FuzzRegressions, KeptInputs)
{
    TSdg adi(16, 16, 10, 1e-3, 25.0);
    TScn cn(16, 16, 10, 1e-9, 35.0);
    CoutCapture quiet;
    replay("datafile", datafile_verdict);
    replay("input", [&](const std::string& b, std::string* e) { return input_verdict(adi, b, e); });
    replay("tsinput",
           [&](const std::string& b, std::string* e) { return tsinput_verdict(cn, b, e); });
    replay("matrix", matrix_verdict);
    // three grid counts near 2^31
    EXPECT_EQ("", refused(datafile_verdict,
                          read_file(CALEFAX_TEST_DATA "/fuzz/datafile/grid_product_overflow.dat"),
                          "fuzz.dat:2: item 4 (intervals along z): the grid has 20002001 x "
                          "2000102001 x 20001001 nodes, more than 134217728"));
}

// ---- what a count in a file may claim ----------------------------------------------------------

// 512^3 = 2^27 nodes is the largest grid a data file may ask for; one more plane is refused, and
// so are the largest counts an int holds.
TEST(DataFileLimits, LargestGridIsTwoToThe27Nodes)
{
    const char* const cases[][2] = {
        {"511 511 511", ""},
        {"511 512 511", "fuzz.dat:2: item 4 (intervals along z): the grid has 512 x 513 x 512 "
                        "nodes, more than 134217728"},
        {"2147483647 2147483647 2147483647",
         "fuzz.dat:2: item 4 (intervals along z): the grid has 2147483648 x 2147483648 x "
         "2147483648 nodes, more than 134217728"}};
    for (auto& c : cases)
    {
        DataText t;
        t.grid = c[0];
        EXPECT_EQ("", refused(datafile_verdict, t.text(), c[1])) << c[0];
    }
}

// A cut-plane count of 2^31 - 1 only bounds the loop: the text ends at the second plane and
// nothing was sized by the count.
TEST(DataFileLimitsDeathTest, CutCountClaimsNothing)
{
    within_one_gib(
        []() -> std::string
        {
            DataText t;
            t.cuts = "2147483647 z 1 a.txt";
            return refused(datafile_verdict, t.text(),
                           "fuzz.dat:20: item 64 (axis of cut plane 2): the file ends here");
        });
}

// A dimension above 2^20 needs n <= 2e, checked on the header; at exactly 2e the header passes
// and the text is read; 2^20 itself needs no entries.
TEST(SSMatReadTextLimits, LargeDimensionNeedsEntryLines)
{
    EXPECT_EQ("", refused(matrix_verdict, "1048579 0 524289\n0 0 1\n",
                          "fuzz.mtx:1: dimension n = 1048579 is above 1048576 and more than "
                          "twice the entry count e = 524289"));
    EXPECT_EQ("", refused(matrix_verdict, "1048578 0 524289\n0 0 1\n",
                          "fuzz.mtx:3: file ends after 1 of 524289 entry lines"));
    EXPECT_EQ("", refused(matrix_verdict, "1048576 0 1\n1048575 1048575 2.5\n", ""));
}

// A header claiming 2^31 - 1 rows and entries over one entry line is refused at the end of the
// text before any head array is made (they would take 32 GiB).
TEST(SSMatReadTextLimitsDeathTest, HeaderClaimsNothing)
{
    within_one_gib(
        []() -> std::string
        {
            return refused(matrix_verdict, "2147483647 0 2147483647\n0 0 1\n",
                           "fuzz.mtx:3: file ends after 1 of 2147483647 entry lines");
        });
}
