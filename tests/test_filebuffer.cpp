// tests/test_filebuffer.cpp: FileBuffer line reading: lines in order, lines across the 4096-byte
// buffer, the last line without a newline, overlong lines and a missing file
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "sparse/FileBuffer.h"
#include "tests/scratch.h"

namespace
{

// Every line of the file as FileBuffer reads it, up to at_eof.
std::vector<std::string> linesOf(const char* name)
{
    FileBuffer fb(name);
    std::vector<std::string> lines;
    for (fb.getLine(); !fb.at_eof; fb.getLine())
        lines.push_back(std::string(fb.buffer + fb.line_start, fb.length()));
    return lines;
}

} // namespace

// Short lines, an empty line and a last line without a newline come back in order; an empty
// file is at its end at once.
TEST(FileBuffer, LinesInOrder)
{
    ScratchDir dir;
    write_file("f.txt", "a\nbb\n\nccc");
    EXPECT_EQ(std::vector<std::string>({"a", "bb", "", "ccc"}), linesOf("f.txt"));
    write_file("e.txt", "");
    EXPECT_EQ(std::vector<std::string>(), linesOf("e.txt"));
}

// A line across the buffer end is refilled from its start, whole and at the front; a newline
// that is the buffer's last byte leaves the next line to a fresh buffer.
TEST(FileBuffer, LinesAtTheBufferEnd)
{
    ScratchDir dir;
    std::string first(4089, 'x'); // bytes 0..4089 with its newline
    write_file("s.txt", first + "\nstraddling line\nlast\n");
    FileBuffer fb("s.txt");
    fb.getLine();
    fb.getLine();
    EXPECT_EQ(0, fb.line_start);
    EXPECT_EQ("straddling line", std::string(fb.buffer + fb.line_start, fb.length()));
    EXPECT_EQ(std::vector<std::string>({first, "straddling line", "last"}), linesOf("s.txt"));
    std::string full(4095, 'y');
    write_file("n.txt", full + "\nnext");
    EXPECT_EQ(std::vector<std::string>({full, "next"}), linesOf("n.txt"));
}

// A line longer than the buffer stops at the buffer's end and overlong() says so.
TEST(FileBuffer, OverlongLine)
{
    ScratchDir dir;
    write_file("o.txt", "short\n" + std::string(5000, 'z') + "\n");
    FileBuffer fb("o.txt");
    fb.getLine();
    EXPECT_FALSE(fb.overlong());
    fb.getLine();
    EXPECT_TRUE(fb.overlong());
    EXPECT_EQ(FILEBUFFER_SIZE, fb.length());
}

// A file that cannot be opened ends the program through fatal() with status 1.
TEST(FileBufferDeathTest, MissingFileEndsThroughFatal)
{
    ScratchDir dir;
    fflush(stdout);
    EXPECT_EXIT(
        {
            dup2(2, 1);
            FileBuffer fb("no-such-file.txt");
        },
        testing::ExitedWithCode(1), "Cannot open this file!!");
}
