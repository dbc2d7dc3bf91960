// model/blocks.cpp: reader of block records and the checks applied to each record
#include "model/blocks.h"

#include "model/datafile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace
{

// Number of newlines between positions from and to of the text behind in; the stream's position
// and state are kept.
int newlines_between(std::istream& in, std::streamoff from, std::streamoff to)
{
    std::ios::iostate state = in.rdstate();
    in.clear();
    std::streamoff here = in.tellg();
    in.seekg(from);
    int n = 0;
    for (std::streamoff p = from; p < to; p++)
    {
        int c = in.get();
        if (c == std::char_traits<char>::eof())
            break;
        if (c == '\n')
            n++;
    }
    in.clear();
    in.seekg(here);
    in.setstate(state);
    return n;
}

// True when nothing but white space is left in the stream; the position is kept.
bool only_blanks_left(std::istream& in)
{
    std::streamoff here = in.tellg();
    in >> std::ws;
    bool done = in.peek() == std::char_traits<char>::eof();
    in.clear();
    in.seekg(here);
    return done;
}

// One white-space separated token of the stream, or false at the end of the text.
bool token(std::istream& in, std::string& t)
{
    return static_cast<bool>(in >> t);
}

// The whole of t as an int (optional sign, decimal digits, in range); false otherwise.
bool whole_int(const std::string& t, int& v)
{
    if (t.empty() || t.size() > 20)
        return false;
    char* end = nullptr;
    errno = 0;
    long long x = strtoll(t.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || x < INT_MIN || x > INT_MAX ||
        !isdigit((unsigned char)t.back()))
        return false;
    v = (int)x;
    return true;
}

// The whole of t as a finite decimal double; false otherwise (so "22W" is no power density).
bool whole_double(const std::string& t, double& v)
{
    if (t.empty() || t.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return false;
    char* end = nullptr;
    v = strtod(t.c_str(), &end);
    return *end == '\0' && std::isfinite(v);
}

// Extracts the nine items of one record, each a whole token; returns 0 when all were read, else
// the number (1..9) of the first item that could not be read, with its token in bad (empty at the
// end of the text).
int extract_record(std::istream& in, BlockRecord& b, std::string& bad)
{
    bad.clear();
    if (!token(in, b.name))
        return 1;
    int* corner[6] = {&b.x1, &b.y1, &b.z1, &b.x2, &b.y2, &b.z2};
    for (int q = 0; q < 6; q++)
        if (!token(in, bad) || !whole_int(bad, *corner[q]))
            return 2 + q;
    if (!token(in, b.layer))
        return 8;
    if (!token(in, bad) || !whole_double(bad, b.power))
        return 9;
    bad.clear();
    return 0;
}

} // namespace

bool parse_block_records(std::istream& in, const char* file, CommentRule rule,
                         std::vector<BlockRecord>& out, std::string& error)
{
    const int eof = std::char_traits<char>::eof();
    static const char* const what[10] = {"",
                                         "a block name",
                                         "the x index of the first corner",
                                         "the y index of the first corner",
                                         "the z index of the first corner",
                                         "the x index of the second corner",
                                         "the y index of the second corner",
                                         "the z index of the second corner",
                                         "a layer name",
                                         "a finite power density"};
    // Lines are counted incrementally, so that a long file costs one pass in all.
    std::streamoff counted = 0;
    int line = 1;

    while (true)
    {
        if (rule == COMMENT_AFTER_BLANKS)
            in >> std::ws;
        int c = in.peek();
        if (c == eof)
            break;
        if (c == '*' || (rule == COMMENT_AT_NEXT_CHAR && c == '\n'))
        {
            in.ignore(200, '\n');
            continue;
        }
        if (only_blanks_left(in))
            break;

        in >> std::ws;
        std::streamoff pos = in.tellg();
        line += newlines_between(in, counted, pos);
        counted = pos;

        BlockRecord b;
        b.line = line;
        std::string found;
        int bad = extract_record(in, b, found);
        if (bad != 0)
        {
            bool at_end = in.eof();
            in.clear();
            std::ostringstream s;
            s << file << ":" << b.line << ": ";
            if (bad == 1)
                s << "expected a block record";
            else
                s << "block record '" << b.name << "' cannot be read: expected " << what[bad];
            if (!found.empty())
                s << ", found '" << found << "'";
            if (at_end && found.empty())
                s << " before the end of the file";
            error = s.str();
            return false;
        }
        out.push_back(b);
    }
    return true;
}

bool block_inside_grid(const BlockRecord& b, int nx, int ny, int nz, const char* file,
                       std::string& error)
{
    const int v[6] = {b.x1, b.y1, b.z1, b.x2, b.y2, b.z2};
    const int hi[3] = {nx, ny, nz};
    static const char* const axis = "xyz";
    for (int q = 0; q < 6; q++)
    {
        int a = q % 3;
        if (v[q] < 0 || v[q] > hi[a])
        {
            std::ostringstream s;
            s << file << ":" << b.line << ": block '" << b.name << "': " << axis[a] << " index "
              << v[q] << " of the " << (q < 3 ? "first" : "second")
              << " corner lies outside the grid (0.." << hi[a] << ")";
            error = s.str();
            return false;
        }
    }
    return true;
}

int find_layer(const material* layers, int n_layers, const char* name)
{
    for (int r = 0; r < n_layers; r++)
        if (same_name(layers[r].name, name))
            return r;
    return -1;
}
