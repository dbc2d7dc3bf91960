// app/fatal.h: the two helpers every subsystem may use: fatal() and second()
#ifndef APP_FATAL_H
#define APP_FATAL_H

#include <string>
#include <vector>

// Writes message and a newline to standard output ("%s\n"), then ends the process with status 1.
[[noreturn]] void fatal(const char* message);

// Writes one line "Calefax: error: " and message on standard error, after flushing standard
// output; the caller goes on. The one place where error lines are made: library code hands its
// rejections back as strings, and the programs (or the documented callers of input_error) report
// them here.
void report_error(const std::string& message);

// One error line "NAME: cannot create or write the result file" for each name of failed; returns
// the exit status of a run whose other work is done: 0 when failed is empty, else 1.
int report_unwritten(const std::vector<std::string>& failed);

// report_error(message), then ends the process with status 1. For rejected input and unwritable
// output; message names the file and the place.
[[noreturn]] void input_error(const char* message);

// Writes "Calefax: warning: " and message on standard error; the run goes on. For input that is
// accepted but probably not what was meant.
void warning(const std::string& message);

// Processor time used by the process so far, in seconds; callers take the difference of two calls.
// Counts wraps of the 32-bit microsecond tick counter; not reentrant.
double second();

#endif
