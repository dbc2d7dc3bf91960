// model/field_io.cpp: the .npy and .vti field writers, their paths and the write-then-rename file
#include "model/field_io.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{

// The extension of the last component of path, lower case, with its dot; "" when it has none
// (a leading dot, as in ".npy", starts a hidden name, not an extension).
std::string extension_of(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= start)
        return "";
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext;
}

// A file being written under a temporary name beside its destination. Bytes go through a buffer
// into the descriptor; the first failure sticks, and every later call does nothing. commit()
// renames the finished file over the destination; a Sink destroyed before a successful commit
// removes its temporary file.
class Sink
{
public:
    explicit Sink(const std::string& path) : path(path), fd(-1), ok(false)
    {
        // O_EXCL: never write into a file someone else is writing; the mode is 0666 less the
        // umask, as for any file the program creates.
        for (int attempt = 0; attempt < 100 && fd < 0; attempt++)
        {
            std::string name =
                path + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(attempt);
            fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                tmp = name;
            else if (errno != EEXIST)
                break;
        }
        ok = fd >= 0;
    }
    ~Sink()
    {
        if (fd >= 0)
            close(fd);
        if (!tmp.empty() && !committed)
            unlink(tmp.c_str());
    }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    // p[0..n-1] as they are
    void bytes(const char* p, size_t n)
    {
        for (size_t m = 0; m < n; m++)
            put(p[m]);
    }
    void text(const std::string& s) { bytes(s.data(), s.size()); }
    // v as 8 little-endian bytes, whatever the host's order
    void u64(uint64_t v)
    {
        if (used + 8 > chunk)
            flush();
        for (int n = 0; n < 8; n++)
            buf[used + n] = char((v >> (8 * n)) & 0xff);
        used += 8;
    }
    // the IEEE 754 bits of v, little-endian
    void f64(double v)
    {
        uint64_t bits;
        memcpy(&bits, &v, 8);
        u64(bits);
    }

    // Writes what is buffered, closes the file and renames it over the destination.
    bool commit()
    {
        flush();
        if (fd >= 0 && close(fd) != 0)
            ok = false;
        fd = -1;
        if (ok && rename(tmp.c_str(), path.c_str()) != 0)
            ok = false;
        committed = ok;
        return ok;
    }

private:
    // one byte into the buffer, emptied first when full
    void put(char c)
    {
        if (used == chunk)
            flush();
        buf[used++] = c;
    }
    // buf[0..used-1] to the file, write() repeated until all is taken or it fails; empties buf
    void flush()
    {
        size_t done = 0;
        while (ok && done < used)
        {
            ssize_t w = write(fd, buf + done, used - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                ok = false;
            else
                done += size_t(w);
        }
        used = 0;
    }

    static constexpr size_t chunk = 1 << 16; // bytes handed to write() at a time

    std::string path;       // destination
    std::string tmp;        // temporary name in the same folder; "" when none could be made
    int fd;                 // descriptor of tmp, -1 once closed or when it could not be opened
    bool ok;                // no failure so far
    bool committed = false; // tmp renamed over path
    char buf[chunk];        // bytes not yet written: buf[0..used-1]
    size_t used = 0;        // bytes held in buf
};

// Full-precision decimal of v: 17 significant digits read back to the same double.
std::string exact(double v)
{
    char s[32];
    snprintf(s, sizeof s, "%.17g", v);
    return s;
}

// ---- .npy: magic, version 1.0, header length, padded header, values in C order -------------
void write_npy(Sink& out, const double* field, uint64_t n, int nx, int ny, int nz)
{
    std::string header = "{'descr': '<f8', 'fortran_order': False, 'shape': (" +
                         std::to_string(nx + 1) + ", " + std::to_string(ny + 1) + ", " +
                         std::to_string(nz + 1) + "), }";
    // 10 bytes of preamble + header + newline, padded with spaces to a multiple of 64
    size_t total = 10 + header.size() + 1;
    header.append((64 - total % 64) % 64, ' ');
    header += '\n';
    size_t len = header.size();
    const char magic[8] = {'\x93', 'N', 'U', 'M', 'P', 'Y', 1, 0};
    const char length[2] = {char(len & 0xff), char(len >> 8)};
    out.bytes(magic, 8);
    out.bytes(length, 2);
    out.text(header);
    for (uint64_t p = 0; p < n; p++)
        out.f64(field[p]);
}

// ---- .vti: XML head, appended raw block "_" + UInt64 byte count + values, x fastest --------
void write_vti(Sink& out, const double* field, uint64_t n, int nx, int ny, int nz, double dx,
               double dy, double dz)
{
    std::string extent =
        "0 " + std::to_string(nx) + " 0 " + std::to_string(ny) + " 0 " + std::to_string(nz);
    std::string spacing = exact(dx) + " " + exact(dy) + " " + exact(dz);
    out.text("<?xml version=\"1.0\"?>\n"
             "<VTKFile type=\"ImageData\" version=\"1.0\" byte_order=\"LittleEndian\" "
             "header_type=\"UInt64\">\n");
    out.text("  <ImageData WholeExtent=\"" + extent + "\" Origin=\"0 0 0\" Spacing=\"" + spacing +
             "\">\n");
    out.text("    <Piece Extent=\"" + extent + "\">\n");
    out.text("      <PointData Scalars=\"temperature\">\n"
             "        <DataArray type=\"Float64\" Name=\"temperature\" NumberOfComponents=\"1\" "
             "format=\"appended\" offset=\"0\"/>\n"
             "      </PointData>\n"
             "      <CellData>\n"
             "      </CellData>\n"
             "    </Piece>\n"
             "  </ImageData>\n"
             "  <AppendedData encoding=\"raw\">\n"
             "   _");
    out.u64(8 * n);
    // point (i, j, k) is value i + (nx+1)*(j + (ny+1)*k) of the array: transpose the block
    uint64_t nj = uint64_t(ny) + 1, nk = uint64_t(nz) + 1;
    for (uint64_t k = 0; k < nk; k++)
        for (uint64_t j = 0; j < nj; j++)
            for (uint64_t i = 0; i <= uint64_t(nx); i++)
                out.f64(field[(i * nj + j) * nk + k]);
    out.text("\n  </AppendedData>\n</VTKFile>\n");
}

} // namespace

bool check_field_path(const char* path, std::string& error)
{
    std::string ext = extension_of(path);
    if (ext == ".npy" || ext == ".vti")
        return true;
    error = std::string(path) + ": unknown field file extension (use .npy or .vti)";
    return false;
}

std::string numbered_field_path(const std::string& path, int step)
{
    char number[24];
    snprintf(number, sizeof number, "_%06d", step);
    std::string ext = extension_of(path);
    return path.substr(0, path.size() - ext.size()) + number +
           path.substr(path.size() - ext.size());
}

bool write_field(const char* path, const double* field, int nx, int ny, int nz, double dx,
                 double dy, double dz, std::string& error)
{
    if (!check_field_path(path, error))
        return false;
    if (nx < 0 || ny < 0 || nz < 0)
    {
        error = std::string(path) + ": negative grid size for the field";
        return false;
    }
    // at most 2^40 nodes: the count, its 8n bytes and every index fit in 64 bits
    uint64_t n = (uint64_t(nx) + 1) * (uint64_t(ny) + 1);
    if (n > (uint64_t(1) << 40) / (uint64_t(nz) + 1))
    {
        error = std::string(path) + ": field too large to write";
        return false;
    }
    n *= uint64_t(nz) + 1;

    Sink out(path);
    if (extension_of(path) == ".npy")
        write_npy(out, field, n, nx, ny, nz);
    else
        write_vti(out, field, n, nx, ny, nz, dx, dy, dz);
    if (!out.commit())
    {
        error = std::string(path) + ": cannot create or write the field file";
        return false;
    }
    return true;
}
