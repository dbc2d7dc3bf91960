// tests/test_field_io.cpp: field files: failed writes keep the earlier file; numbered names
// (the files' contents are checked by test_field.py with NumPy and an XML reader)
#include "model/field_io.h"
#include "scratch.h"

#include <cstdlib>
#include <dirent.h>
#include <gtest/gtest.h>
#include <set>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

// Names in the working directory other than . and .. and the run_command captures.
static std::set<std::string> names_here()
{
    std::set<std::string> s;
    DIR* d = opendir(".");
    for (dirent* e = readdir(d); e != nullptr; e = readdir(d))
        s.insert(e->d_name);
    closedir(d);
    for (const char* skip : {".", "..", "run.out", "run.err"})
        s.erase(skip);
    return s;
}

// In a child process that may write 256 bytes per file (SIGXFSZ ignored, so write() fails past
// them): writes a 3 x 4 x 5-node field to name, prints the error line, exits 3 on failure, else 0.
[[noreturn]] static void write_limited(const char* name)
{
    std::vector<double> f(3 * 4 * 5, 25.0);
    rlimit lim;
    lim.rlim_cur = lim.rlim_max = 256;
    setrlimit(RLIMIT_FSIZE, &lim);
    signal(SIGXFSZ, SIG_IGN);
    std::string error;
    bool ok = write_field(name, f.data(), 2, 3, 4, 1, 1, 1, error);
    fprintf(stderr, "%s\n", error.c_str());
    exit(ok ? 0 : 3);
}

// A write that fails (no such folder, a folder in the way of the rename, the file-size limit
// reached half-way) reports the file and leaves what was there before, with no temporary left.
TEST(WriteField, FailedWriteKeepsEarlierFile)
{
    ScratchDir dir;
    mkdir("d.vti", 0777);
    write_file("d.vti/inside", "kept");
    write_file("f.npy", "earlier");
    std::set<std::string> before = names_here();
    for (const char* name : {"none/f.vti", "d.vti", "f.npy"})
    {
        std::string expected = std::string(name) + ": cannot create or write the field file";
        EXPECT_EXIT(write_limited(name), testing::ExitedWithCode(3), "^" + expected + "\n$");
        EXPECT_EQ(before, names_here()) << name;
    }
    EXPECT_EQ("earlier", read_file("f.npy"));
    EXPECT_EQ("kept", read_file("d.vti/inside"));
}

// "_" and the step, six digits or more, before the extension of the last component only.
TEST(NumberedFieldPath, StepBeforeExtension)
{
    const char* cases[][3] = {{"out.npy", "40", "out_000040.npy"},
                              {"run.2/field.VTI", "0", "run.2/field_000000.VTI"},
                              {"run.2/field", "7", "run.2/field_000007"},
                              {"a.b.npy", "1234567", "a.b_1234567.npy"}};
    for (auto& c : cases)
        EXPECT_EQ(c[2], numbered_field_path(c[0], atoi(c[1]))) << c[0];
}
