// sparse/FileBuffer.h: FileBuffer, a line reader over a stdio file with a fixed 4096-byte buffer
#ifndef SPARSE_FILEBUFFER_H
#define SPARSE_FILEBUFFER_H

#include <cstdio>

// Size of the FileBuffer's data buffer in bytes.
const int FILEBUFFER_SIZE = 4096;

// Reads a text file line by line through one buffer of FILEBUFFER_SIZE bytes. The current line is
// buffer[line_start] up to, not including, buffer[pos]; it is not NUL-terminated. A line that
// straddles the end of the buffer is read whole: the file position moves back to the line's
// start and the buffer is refilled from there. A line must therefore fit in the buffer, its
// newline included; a longer one stops at the buffer's end and overlong() tells it (the reader is
// then out of step with the file and its caller stops). The FileBuffer owns its FILE and closes it.
class FileBuffer
{
public:
    FILE* fp;       // the open file, closed by the destructor; null when it did not open
    int count;      // valid bytes in buffer, 0..FILEBUFFER_SIZE
    int line_start; // index in buffer of the current line's first byte; -1 before
    int pos;        // index of the current line's newline or end of data; -1 before
    char buffer[FILEBUFFER_SIZE]; // file data
    int at_eof;                   // 1 once a refill found no more data (current line empty)

    // Opens name for reading and fills the buffer. A file that cannot be opened leaves fp null
    // and reads as an empty file; the caller tells the two apart by fp.
    explicit FileBuffer(const char* name);
    // Takes over the open file f (not null) and fills the buffer from its current position.
    explicit FileBuffer(FILE* f);
    // Closes the file once.
    ~FileBuffer();

    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    // Moves to the next line; at the end of the data sets at_eof and leaves an empty line.
    void getLine();
    // Length of the current line in bytes, its newline excluded.
    int length() const { return pos - line_start; }
    // True when the current line filled the whole buffer without a newline: it is too long.
    bool overlong() const { return at_eof == 0 && line_start == 0 && pos == FILEBUFFER_SIZE; }
};

#endif
