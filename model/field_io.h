// model/field_io.h: writers of a whole temperature field as a NumPy .npy or a VTK .vti file
#ifndef MODEL_FIELD_IO_H
#define MODEL_FIELD_IO_H

#include <string>

// A field is the temperature of every node of an (nx+1) x (ny+1) x (nz+1) grid held as one flat
// block of doubles, value (i, j, k) at index (i*(ny+1) + j)*(nz+1) + k: k fastest, then j, then
// i, the layout of the solvers' node fields (T[0][0] is its start). That is NumPy's C order for
// the shape (nx+1, ny+1, nz+1) with i, j, k as the axes.
//
// The format follows the file's extension, without regard to case:
//   .npy  NumPy format version 1.0: '<f8', fortran_order False, shape (nx+1, ny+1, nz+1); the
//         header is padded with spaces and ends in a newline so that the data starts at a
//         multiple of 64 bytes; then the values in the block's order.
//   .vti  VTK XML ImageData, version 1.0, WholeExtent "0 nx 0 ny 0 nz", Origin "0 0 0", Spacing
//         "dx dy dz" in metres (17 significant digits), one Float64 point-data array
//         "temperature" in appended raw encoding with a UInt64 byte count; VTK orders points
//         with x fastest, so the values are written transposed: i fastest, then j, then k.
// Both store little-endian doubles whatever the host's byte order.
//
// A file is written under a temporary name in the same folder and renamed over PATH only once
// every byte has been written and the file closed, so a failed write leaves an earlier PATH as
// it was and no partial file behind. Errors come back as one line without a program prefix.

// ---- paths -----------------------------------------------------------------------------------
// True when path ends in .npy or .vti (any case); otherwise false with error
// "PATH: unknown field file extension (use .npy or .vti)". Writes nothing.
bool check_field_path(const char* path, std::string& error);

// path with "_" and step, zero-padded to 6 digits (more when step needs them), put before the
// extension of its last component: ("out.npy", 40) -> "out_000040.npy", ("f", 3) -> "f_000003".
// step >= 0.
std::string numbered_field_path(const std::string& path, int step);

// ---- writing ---------------------------------------------------------------------------------
// Writes field (in, (nx+1)(ny+1)(nz+1) values in the layout above, only read) to path in the
// format of its extension, with spacings dx, dy, dz in metres (used by .vti only). Returns true
// on success; false with error set on an unknown extension, negative sizes, or
// "PATH: cannot create or write the field file" when any step of the write fails.
bool write_field(const char* path, const double* field, int nx, int ny, int nz, double dx,
                 double dy, double dz, std::string& error);

#endif
