// app/fatal.cpp: fatal() and input_error() end the process; report_error() and warning() report and
// go on
#include "app/fatal.h"

#include <cstdio>
#include <cstdlib>

// Message and newline on standard output, flushed, then exit status 1.
void fatal(const char* message)
{
    printf("%s\n", message);
    fflush(stdout);
    exit(1);
}

// One line on standard error, flushed after standard output and at once.
void report_error(const std::string& message)
{
    fflush(stdout);
    fprintf(stderr, "Calefax: error: %s\n", message.c_str());
    fflush(stderr);
}

int report_unwritten(const std::vector<std::string>& failed)
{
    for (const std::string& name : failed)
        report_error(name + ": cannot create or write the result file");
    return failed.empty() ? 0 : 1;
}

// The error line, then exit status 1.
void input_error(const char* message)
{
    report_error(message);
    exit(1);
}

// One line on standard error, flushed after standard output; the caller goes on.
void warning(const std::string& message)
{
    fflush(stdout);
    fprintf(stderr, "Calefax: warning: %s\n", message.c_str());
    fflush(stderr);
}
