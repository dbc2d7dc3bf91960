// tests/test_fuzz_regressions.cpp: kept fuzz inputs replayed, and the bounds on counts in files
#include "fuzz/fuzz_readers.h"
#include "scratch.h"
#include "test_util.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tuple>

using Verdict = std::function<std::string(const std::string&, std::string*)>;

// Every kept input (found by fuzzing or hostile by hand) reads to items in range or one rejection.
TEST(FuzzRegressions, KeptInputs)
{
    TSdg adi(16, 16, 10, 1e-3, 25.0);
    TScn cn(16, 16, 10, 1e-9, 35.0);
    const Units units = trace_units();
    CoutCapture quiet;
    using namespace std::placeholders;
    const std::pair<const char*, Verdict> targets[] = {
        {"datafile", datafile_verdict},
        {"input", std::bind(input_verdict, std::ref(adi), _1, _2)},
        {"tsinput", std::bind(tsinput_verdict, std::ref(cn), _1, _2)},
        {"matrix", matrix_verdict},
        {"trace", std::bind(trace_verdict, std::cref(units), _1, _2)}};
    for (const auto& t : targets)
    {
        std::string error;
        for (const auto& e : std::filesystem::directory_iterator(
                 std::filesystem::path(CALEFAX_TEST_DATA) / "fuzz" / t.first))
            EXPECT_EQ("", t.second(read_file(e.path().string()), &error)) << e.path();
    }
}

// Header counts are bounded; counts of 2^31 - 1 size nothing (in a 1 GiB child, not under ASan).
// Cases: verdict, text, expected error.
TEST(DataFileLimitsDeathTest, HeaderCountsAreBoundedAndClaimNothing)
{
    DataText g[3], cut;
    g[0].grid = "511 511 511", g[1].grid = "511 512 511", cut.cuts = "2147483647 z 1 a.txt";
    g[2].grid = "2147483647 2147483647 2147483647";
    const std::string big = "fuzz.dat:2: item 4 (intervals along z): the grid has ",
                      more = " nodes, more than 134217728", n = "2147483648",
                      mtx = "fuzz.mtx:3: file ends after 1 of ";
    const std::tuple<Verdict, std::string, std::string> cases[] = {
        {datafile_verdict, g[0].text(), ""},
        {datafile_verdict, g[1].text(), big + "512 x 513 x 512" + more},
        {datafile_verdict, g[2].text(), big + n + " x " + n + " x " + n + more},
        {datafile_verdict, cut.text(),
         "fuzz.dat:20: item 64 (axis of cut plane 2): the file ends here"},
        {matrix_verdict, "1048579 0 524289\n0 0 1\n",
         "fuzz.mtx:1: dimension n = 1048579 is above 1048576 and more than twice the entry "
         "count e = 524289"},
        {matrix_verdict, "1048578 0 524289\n0 0 1\n", mtx + "524289 entry lines"},
        {matrix_verdict, "1048576 0 1\n1048575 1048575 2.5\n", ""},
        {matrix_verdict, "2147483647 0 2147483647\n0 0 1\n", mtx + "2147483647 entry lines"}};
    auto check = [&cases]
    {
#ifndef __SANITIZE_ADDRESS__ // g++'s mark of ASan, whose shadow memory takes terabytes
        const rlimit limit = {(rlim_t)1 << 30, (rlim_t)1 << 30};
        setrlimit(RLIMIT_AS, &limit);
#endif
        std::string failures, error;
        for (const auto& [verdict, text, expected] : cases)
            if (const std::string bad = verdict(text, &error); !bad.empty() || error != expected)
                failures += bad + " got '" + error + "', not '" + expected + "'\n";
        return failures;
    };
    EXPECT_EXIT((fputs(check().c_str(), stderr), _exit(0)), testing::ExitedWithCode(0), "^$");
}
