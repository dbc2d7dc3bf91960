// sparse/SSMat_io.cpp: SSMat text input (the matrix file reader) and printing (printm, fprintm,
// showMap)
//
// Matrix text file: a header line "n ignored e" of three integers, then e entry lines "i j v" of
// two 0-based indices and a real value, items separated by white space. Lines with i > j (the
// lower triangle) or v == 0.0 are skipped, so a file may list both triangles or only the upper
// one; anything after the e-th entry line is not read. Every item is checked here, at the file
// boundary: a rejected file names the file, the line and what was wrong. What a file may make
// the reader allocate is bounded by the file itself: a dimension n above 2^20 must come with
// e >= n/2 entry lines, and the n-sized head arrays are made only after those lines were read.
#include "sparse/SSMat.h"

#include "app/fatal.h"
#include "sparse/FileBuffer.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

// The white space that separates items; a line's trailing '\r' counts as white space.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Items of one line, split in place in a NUL-terminated copy of it.
struct Items
{
    char text[FILEBUFFER_SIZE + 1]; // copy of the line; separators overwritten by NULs
    char* item[4];                  // first items of the line, NUL-terminated
    int length[4];                  // their lengths in bytes (an embedded NUL stays inside)
    int count;                      // number of items on the line, at most 4 counted
};

// Splits the current line of fb into items; stops counting at 4 (one more than any line holds).
void splitLine(const FileBuffer& fb, Items* it)
{
    int len = fb.length();
    memcpy(it->text, fb.buffer + fb.line_start, len);
    it->text[len] = '\0';
    it->count = 0;
    int p = 0;
    while (it->count < 4)
    {
        while (p < len && isBlank(it->text[p]))
            p++;
        if (p == len)
            break;
        int start = p;
        while (p < len && !isBlank(it->text[p]))
            p++;
        it->item[it->count] = it->text + start;
        it->length[it->count] = p - start;
        it->count++;
        if (p < len)
            it->text[p++] = '\0';
    }
}

// "FILE:LINE: what".
std::string located(const char* file, int line, const std::string& what)
{
    return std::string(file) + ":" + std::to_string(line) + ": " + what;
}

// An item quoted for a message, cut to 32 bytes.
std::string quoted(const char* s, int length)
{
    return "'" + std::string(s, length < 32 ? length : 32) + (length > 32 ? "...'" : "'");
}

// Item k of it as an int in *v; false when it is not a whole decimal integer within int range.
bool itemInt(const Items& it, int k, int* v)
{
    const char* s = it.item[k];
    char* end = nullptr;
    errno = 0;
    long x = strtol(s, &end, 10);
    if (end != s + it.length[k] || errno == ERANGE || x < INT_MIN || x > INT_MAX)
        return false;
    *v = (int)x;
    return true;
}

// Item k of it as a double in *v; false unless the whole item is a finite number.
bool itemReal(const Items& it, int k, double* v)
{
    const char* s = it.item[k];
    char* end = nullptr;
    double x = strtod(s, &end);
    if (end != s + it.length[k] || !std::isfinite(x))
        return false;
    *v = x;
    return true;
}

} // namespace

// ---- reading -----------------------------------------------------------------------------------

// fopen, then the reader of the open file.
SSMat* SSMat::read_text(const char* file, int format, std::string* error)
{
    FILE* f = fopen(file, "r");
    if (f == nullptr)
    {
        *error = "Cannot open this file!!\n";
        return nullptr;
    }
    return read_text(f, file, format, error);
}

// Header, then e entry lines kept in file order; only then the matrix, filled through the plain
// insertion in that order, sorted, and checked for repeated entries.
SSMat* SSMat::read_text(FILE* f, const char* file, int format, std::string* error)
{
    FileBuffer fb(f);
    if (format != 2)
        return new SSMat(0);

    // ---- header: n, an ignored integer, e ---------------------------------------------------
    const char* header_names[3] = {"dimension n", "second header item", "entry count e"};
    int header[3];
    Items it;
    int line = 1;
    fb.getLine();
    if (fb.at_eof)
    {
        *error = located(file, line, "empty file; expected the header line 'n ignored e'");
        return nullptr;
    }
    if (fb.overlong())
    {
        *error = located(file, line, "line longer than 4095 characters");
        return nullptr;
    }
    splitLine(fb, &it);
    if (it.count != 3)
    {
        *error = located(file, line,
                         "expected the header 'n ignored e' of 3 integers, found " +
                             std::string(it.count > 3 ? "more than 3" : std::to_string(it.count)) +
                             " items");
        return nullptr;
    }
    for (int k = 0; k < 3; k++)
        if (!itemInt(it, k, &header[k]))
        {
            *error = located(file, line,
                             quoted(it.item[k], it.length[k]) + " is not an integer (" +
                                 header_names[k] + ")");
            return nullptr;
        }
    int dim = header[0];
    int e = header[2];
    if (dim < 0 || e < 0)
    {
        *error = located(file, line,
                         std::string(dim < 0 ? "dimension n = " : "entry count e = ") +
                             std::to_string(dim < 0 ? dim : e) + " is negative");
        return nullptr;
    }
    // The head arrays take 16 bytes per row: a large n must be backed by entry lines.
    if (dim > MATRIX_FILE_FREE_DIMENSION && dim > 2LL * e)
    {
        *error = located(file, line,
                         "dimension n = " + std::to_string(dim) + " is above " +
                             std::to_string(MATRIX_FILE_FREE_DIMENSION) +
                             " and more than twice the entry count e = " + std::to_string(e));
        return nullptr;
    }

    // ---- e entry lines "i j v"; those stored are kept until all have been read --------------
    struct Triplet
    {
        int i, j;
        double v;
    };
    std::vector<Triplet> kept;
    const char* index_names[2] = {"row index i", "column index j"};
    for (int t = 0; t < e; t++)
    {
        line++;
        fb.getLine();
        std::string what;
        int ij[2] = {0, 0};
        double v = 0.0;
        if (fb.at_eof)
            what = "file ends after " + std::to_string(t) + " of " + std::to_string(e) +
                   " entry lines";
        else if (fb.overlong())
            what = "line longer than 4095 characters";
        else
        {
            splitLine(fb, &it);
            if (it.count != 3)
                what = "expected an entry 'i j v' of 3 items, found " +
                       std::string(it.count > 3 ? "more than 3" : std::to_string(it.count));
            for (int k = 0; k < 2 && what.empty(); k++)
            {
                if (!itemInt(it, k, &ij[k]))
                    what = quoted(it.item[k], it.length[k]) + " is not an integer (" +
                           index_names[k] + ")";
                else if (ij[k] < 0 || ij[k] >= dim)
                    what = std::string(index_names[k]) + " = " + std::to_string(ij[k]) +
                           " is outside 0.." + std::to_string(dim - 1);
            }
            if (what.empty() && !itemReal(it, 2, &v))
                what = quoted(it.item[2], it.length[2]) + " is not a finite number (value v)";
        }
        if (!what.empty())
        {
            *error = located(file, line, what);
            return nullptr;
        }
        // the lower triangle and zeros are skipped, as the plain insertion would skip a zero
        if (ij[0] <= ij[1] && v != 0.0)
            kept.push_back({ij[0], ij[1], v});
    }

    // ---- the matrix, in file order, then sorted ----------------------------------------------
    SSMat* A = new SSMat(dim);
    for (const Triplet& p : kept)
        A->insertEntry(p.i, p.j, p.v);
    A->sort();

    // ---- one entry per (i, j): the sorted rows make a repeat adjacent -----------------------
    for (int k = 0; k < dim; k++)
        for (Entry* p = A->row[k]; p != nullptr && p->row_next != nullptr; p = p->row_next)
            if (p->row_next->j == p->j)
            {
                *error = std::string(file) + ": entry (" + std::to_string(k) + ", " +
                         std::to_string(p->j) + ") is listed on more than one line";
                delete A;
                return nullptr;
            }
    return A;
}

// read_text, ending the program through fatal() on a rejected file; the matrix read becomes this
// object by taking over its pool and head arrays.
SSMat::SSMat(const char* file, int format)
    : pool_first(nullptr), pool_block(nullptr), pool_used(0), pool_next(nullptr), n(0), nnz(0),
      row(nullptr), col(nullptr)
{
    std::string error;
    SSMat* A = read_text(file, format, &error);
    if (A == nullptr)
        fatal(error.c_str());
    pool_first = A->pool_first;
    pool_block = A->pool_block;
    pool_used = A->pool_used;
    pool_next = A->pool_next;
    n = A->n;
    nnz = A->nnz;
    row = A->row;
    col = A->col;
    A->pool_first = nullptr;
    A->row = nullptr;
    A->col = nullptr;
    delete A;
}

// ---- printing ----------------------------------------------------------------------------------

namespace
{

// One shown entry (k, c) of row k in the given mode; *last is the column shown before it.
void printPiece(FILE* f, int mode, int k, int c, double v, int* last)
{
    if (mode == 0)
    {
        for (int m = *last + 1; m < c; m++)
            fprintf(f, "0.000000e000\t");
        fprintf(f, "%.5e\t", v);
    }
    else if (mode == 1)
        fprintf(f, "(%d, %d)%.3e\t", k, c, v);
    else
        fprintf(f, "%6d %6d    %.6e\n", k, c, v);
    *last = c;
}

} // namespace

// Row k shown as column k's list (the entries (r, k), r <= k) followed by row k's list after its
// leading diagonal, which is every column of the symmetric row once, in increasing order.
void SSMat::fprintm(FILE* f, int mode)
{
    if (mode < 0 || mode > 2)
        return;
    for (int k = 0; k < n; k++)
    {
        int last = -1;
        for (Entry* e = col[k]; e != nullptr; e = e->col_next)
            printPiece(f, mode, k, e->i, e->value, &last);
        Entry* e = row[k];
        if (e != nullptr && e->i == e->j)
            e = e->row_next;
        for (; e != nullptr; e = e->row_next)
            printPiece(f, mode, k, e->j, e->value, &last);
        // the zeros after the row's last entry have one decimal fewer than those before it
        if (mode == 0)
            for (int m = last + 1; m < n; m++)
                fprintf(f, "0.00000e000\t");
        if (mode != 2)
            fprintf(f, "\n");
    }
    fprintf(f, "\n");
}

// fprintm to standard output.
void SSMat::printm(int mode)
{
    fprintm(stdout, mode);
}

// One '*' per shown entry, after a blank for every column skipped since the previous one.
void SSMat::showMap()
{
    for (int k = 0; k < n; k++)
    {
        int last = -1;
        Entry* e = col[k];
        Entry* r = row[k];
        if (r != nullptr && r->i == r->j)
            r = r->row_next;
        for (;;)
        {
            int c;
            if (e != nullptr)
            {
                c = e->i;
                e = e->col_next;
            }
            else if (r != nullptr)
            {
                c = r->j;
                r = r->row_next;
            }
            else
                break;
            for (int m = last + 1; m < c; m++)
                printf(" ");
            printf("*");
            last = c;
        }
        printf("\n");
    }
    printf("\n");
}
