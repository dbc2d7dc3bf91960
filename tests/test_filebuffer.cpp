// tests/test_filebuffer.cpp: FileBuffer line reading across the 4096-byte buffer
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sparse/FileBuffer.h"
#include "tests/scratch.h"

// Lines come whole however they sit against the buffer's end; a line filling the buffer without
// a newline is cut there and overlong() says so ("!" below).
TEST(FileBuffer, LinesAcrossTheBuffer)
{
    ScratchDir dir;
    const std::string x(4089, 'x'), y(4095, 'y'), z(FILEBUFFER_SIZE, 'z');
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\nbb\n\nccc", {"a", "bb", "", "ccc"}},
        {x + "\nstraddling line\nlast\n", {x, "straddling line", "last"}},
        {y + "\nnext", {y, "next"}},    // the newline is the buffer's last byte
        {"ab\n" + y + "\n", {"ab", y}}, // the longest line, moved to the front to fit
        {"ab\n" + z + "zz\n", {"ab", z + "!"}},
    };
    for (const std::pair<std::string, std::vector<std::string>>& c : cases)
    {
        write_file("f.txt", c.first);
        FileBuffer fb("f.txt");
        std::vector<std::string> lines;
        for (fb.getLine(); !fb.at_eof; fb.getLine())
        {
            lines.push_back(std::string(fb.buffer + fb.line_start, fb.length()));
            if (fb.overlong())
            {
                lines.back() += "!";
                break;
            }
        }
        EXPECT_EQ(c.second, lines) << c.first.substr(0, 20);
    }
    // a file that does not open reads as an empty one, and the program goes on
    FileBuffer absent("absent.txt");
    EXPECT_EQ(nullptr, absent.fp);
    absent.getLine();
    EXPECT_EQ(1, absent.at_eof);
}
