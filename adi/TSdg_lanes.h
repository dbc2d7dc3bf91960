// adi/TSdg_lanes.h: side-by-side Thomas recurrences of many lines, and the transposes between
// layouts
#ifndef ADI_TSDG_LANES_H
#define ADI_TSDG_LANES_H

#include <cstddef>

// The hot loops are compiled three times, for AVX-512, AVX2 and the baseline, and the loader picks
// the one the processor runs. Vector lanes compute the same IEEE operations in the same order as
// scalar code (no contraction: -ffp-contract=off), so all versions give identical bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define CALEFAX_VECTOR __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define CALEFAX_VECTOR
#endif

// Declared plain: the definitions carry CALEFAX_VECTOR, and the loader's choice of version is
// made where they are defined.
// Each kernel works on L systems side by side, value l of row r at [r*L + l] unless said, and does
// exactly what TSdg::Thomas does to each of them, so the lanes give that solver's bits.
namespace adi
{

// dst = src for n values, widening range = {lo, hi, z} to the smallest and largest value copied;
// z gathers v*0.0 of every value, which stays 0 unless a value is infinite or not a number. Four
// lanes side by side, so that the check costs nothing beside the copy's memory traffic.
void copy_range(const double* __restrict src, double* __restrict dst, ptrdiff_t n, double* range);

// Forward elimination of row r (r >= 1) of L side-by-side systems, as TSdg::Thomas does it:
// d = b - (a*c')/d', f = f - (a*f')/d', primes denoting the eliminated row r-1. a, b: in, row r;
// cp, dp, fp: in, row r-1 (eliminated); d: out; f: in/out.
void eliminate_row(const double* __restrict a, const double* __restrict b,
                   const double* __restrict cp, const double* __restrict dp,
                   const double* __restrict fp, double* __restrict d, double* __restrict f, int L);

// The same for the right-hand side alone, when the eliminated diagonals are already known.
void eliminate_rhs(const double* __restrict a, const double* __restrict dp,
                   const double* __restrict fp, double* __restrict f, int L);

// Eliminated diagonals of L side-by-side systems of n rows, [r*L + l]: b holds the diagonals on
// entry and the eliminated ones on return.
void eliminate_diagonals(const double* __restrict a, double* __restrict b,
                         const double* __restrict c, int n, int L);

// Forward elimination of the right-hand sides f of n rows, [r*L + l], with eliminated diagonals d.
void eliminate_rhs_panel(const double* __restrict a, const double* __restrict d,
                         double* __restrict f, int n, int L);

// Back substitution of n eliminated rows: d and c at [r*L + l], f at [r*fs + l]; f receives the
// solution, last row first.
void back_substitute(const double* __restrict d, const double* __restrict c, double* __restrict f,
                     int n, int L, ptrdiff_t fs);

// The same two steps for L systems that share one matrix, given by its first lane (a[r*L],
// d[r*L], c[r*L]): a tile of lines with the same runs. Only the right-hand sides are read lane by
// lane; the numbers are those of the lane-by-lane forms.
void solve_shared(const double* __restrict a, const double* __restrict d,
                  const double* __restrict c, double* __restrict f, int n, int L);

// dst[k*rows + j] = src[j*cols + k]: a rows x cols block transposed (AVX2 4 x 4 blocks when the
// processor has them; a transpose only moves numbers, so any route gives the same bits).
void transpose(const double* __restrict src, double* __restrict dst, int rows, int cols);

} // namespace adi

#endif
