// sparse/FileBuffer.cpp: FileBuffer: buffered line reading of a stdio file
#include "sparse/FileBuffer.h"

// fopen(name, "r"); then the first FILEBUFFER_SIZE bytes, or none when the file did not open.
FileBuffer::FileBuffer(const char* name)
{
    fp = fopen(name, "r");
    count = fp != nullptr ? (int)fread(buffer, 1, FILEBUFFER_SIZE, fp) : 0;
    line_start = -1;
    pos = -1;
    at_eof = 0;
}

// The first FILEBUFFER_SIZE bytes of the already open f.
FileBuffer::FileBuffer(FILE* f)
{
    fp = f;
    count = (int)fread(buffer, 1, FILEBUFFER_SIZE, fp);
    line_start = -1;
    pos = -1;
    at_eof = 0;
}

// Closes the file once.
FileBuffer::~FileBuffer()
{
    if (fp != nullptr)
        fclose(fp);
}

// Steps over the previous newline, refills when the buffer is used up, then scans to the next
// newline. A buffer filled only partly holds the end of the file, so reaching its end ends the
// last line; reaching the end of a full buffer means the line straddles it.
void FileBuffer::getLine()
{
    pos = pos + 1;
    if (pos >= count)
    {
        count = fp != nullptr ? (int)fread(buffer, 1, FILEBUFFER_SIZE, fp) : 0;
        if (count == 0)
        {
            line_start = 0;
            pos = 0;
            at_eof = 1;
            return;
        }
        pos = 0;
    }
    line_start = pos;
    for (;;)
    {
        if (pos >= count)
        {
            pos = count; // a file that shrank while read cannot move pos past the data
            if (count < FILEBUFFER_SIZE)
                break; // last line of the file, without a newline
            if (line_start == 0)
                break; // the line fills the buffer: overlong()
            // move the line's start to the front: re-read from it
            pos = pos - line_start;
            line_start = 0;
            fseek(fp, -(long)pos, SEEK_CUR);
            count = (int)fread(buffer, 1, FILEBUFFER_SIZE, fp);
            continue;
        }
        if (buffer[pos] == '\n')
            break;
        pos = pos + 1;
    }
}
