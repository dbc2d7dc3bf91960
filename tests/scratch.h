// tests/scratch.h: helpers for tests that write files or run the program: scratch directories,
// file text, a data-file builder and running a command with its outputs captured
#ifndef TESTS_SCRATCH_H
#define TESTS_SCRATCH_H

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// A fresh directory under /tmp for one test (ctest may run tests in parallel); while a
// ScratchDir lives the process works inside it, and the previous directory is restored after.
class ScratchDir
{
public:
    ScratchDir()
    {
        char tmpl[] = "/tmp/calefax-test-XXXXXX";
        path = mkdtemp(tmpl);
        char* here = getcwd(nullptr, 0);
        previous = here;
        free(here);
        if (chdir(path.c_str()) != 0)
            abort();
    }
    ~ScratchDir()
    {
        if (chdir(previous.c_str()) != 0)
            abort();
        std::string cmd = "rm -rf '" + path + "'";
        if (system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", path.c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path;     // absolute path of the directory
    std::string previous; // working directory before
};

inline void write_file(const std::string& name, const std::string& text)
{
    std::ofstream f(name);
    f << text;
}

inline std::string read_file(const std::string& name)
{
    std::ifstream f(name);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline bool file_exists(const std::string& name)
{
    return access(name.c_str(), F_OK) == 0;
}

// The items of a data file with workable defaults; text() writes them in file order.
struct DataText
{
    std::string steps = "5", grid = "4 4 4", spacing = "1e-4 1e-4 1e-4", dt = "1e-3";
    std::string T_amb = "25.0", h = "100 200 300 400 500 600";
    std::string layers =
        "SI 131.0 2329.0 700.0\nPOLY 30 2330 700\nACTIVE 150 2400 800\nOXIDE 1.4 2200 730\n"
        "M1 120 4500 560\nM2 120 4500 560\nM3 120 4500 560\nM4 120 4500 560\n"
        "AL 237 2700 900\nCU 398 8960 385\n";
    std::string base = "SI", probe = "2 2 2", cuts = "0";

    std::string text() const
    {
        return steps + "\n" + grid + "\n" + spacing + "\n" + dt + "\n" + T_amb + "\n" + h + "\n" +
               layers + base + "\n" + probe + "\n" + cuts + "\n";
    }
};

// Exit status and the two output streams of a shell command run in the working directory.
struct Outcome
{
    int status;      // exit status, or -1 when the command did not exit normally
    std::string out; // standard output
    std::string err; // standard error
};

inline Outcome run_command(const std::string& command)
{
    std::string full = command + " > run.out 2> run.err";
    int raw = system(full.c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_file("run.out");
    r.err = read_file("run.err");
    return r;
}

#endif
