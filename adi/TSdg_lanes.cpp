// adi/TSdg_lanes.cpp: side-by-side Thomas recurrences of many lines, and the transposes between
// layouts
#include "adi/TSdg_lanes.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace adi
{

// dst = src for n values, widening range = {lo, hi, z} to the smallest and largest value copied;
// z gathers v*0.0 of every value, which stays 0 unless a value is infinite or not a number. Four
// lanes side by side, so that the check costs nothing beside the copy's memory traffic.
CALEFAX_VECTOR void copy_range(const double* __restrict src, double* __restrict dst, ptrdiff_t n,
                               double* range)
{
    typedef double v4 __attribute__((vector_size(32)));
    v4 lo = {range[0], range[0], range[0], range[0]}, hi = {range[1], range[1], range[1], range[1]};
    v4 z = {range[2], 0.0, 0.0, 0.0};
    ptrdiff_t p = 0;
    for (; p + 4 <= n; p += 4)
    {
        v4 v;
        memcpy(&v, src + p, sizeof v);
        memcpy(dst + p, &v, sizeof v);
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        z = z + v * 0.0;
    }
    double l = range[0], h = range[1], zz = 0.0;
    for (int q = 0; q < 4; q++)
    {
        l = lo[q] < l ? lo[q] : l;
        h = hi[q] > h ? hi[q] : h;
        zz = zz + z[q];
    }
    for (; p < n; p++)
    {
        double v = src[p];
        dst[p] = v;
        l = v < l ? v : l;
        h = v > h ? v : h;
        zz = zz + v * 0.0;
    }
    range[0] = l;
    range[1] = h;
    range[2] = zz;
}

// Forward elimination of row r (r >= 1) of L side-by-side systems, as TSdg::Thomas does it:
// d = b - (a*c')/d', f = f - (a*f')/d', primes denoting the eliminated row r-1. a, b: in, row r;
// cp, dp, fp: in, row r-1 (eliminated); d: out; f: in/out.
CALEFAX_VECTOR void eliminate_row(const double* __restrict a, const double* __restrict b,
                                  const double* __restrict cp, const double* __restrict dp,
                                  const double* __restrict fp, double* __restrict d,
                                  double* __restrict f, int L)
{
    for (int l = 0; l < L; l++)
    {
        d[l] = b[l] - (a[l] * cp[l]) / dp[l];
        f[l] = f[l] - (a[l] * fp[l]) / dp[l];
    }
}

// The same for the right-hand side alone, when the eliminated diagonals are already known.
CALEFAX_VECTOR void eliminate_rhs(const double* __restrict a, const double* __restrict dp,
                                  const double* __restrict fp, double* __restrict f, int L)
{
    for (int l = 0; l < L; l++)
        f[l] = f[l] - (a[l] * fp[l]) / dp[l];
}

// Eliminated diagonals of L side-by-side systems of n rows, [r*L + l]: b holds the diagonals on
// entry and the eliminated ones on return.
CALEFAX_VECTOR void eliminate_diagonals(const double* __restrict a, double* __restrict b,
                                        const double* __restrict c, int n, int L)
{
    for (int r = 1; r < n; r++)
    {
        const double* __restrict ar = a + (ptrdiff_t)r * L;
        double* __restrict br = b + (ptrdiff_t)r * L;
        const double* __restrict bp = br - L;
        const double* __restrict cp = c + (ptrdiff_t)(r - 1) * L;
        for (int l = 0; l < L; l++)
            br[l] = br[l] - (ar[l] * cp[l]) / bp[l];
    }
}

// Forward elimination of the right-hand sides f of n rows, [r*L + l], with eliminated diagonals d.
CALEFAX_VECTOR void eliminate_rhs_panel(const double* __restrict a, const double* __restrict d,
                                        double* __restrict f, int n, int L)
{
    for (int r = 1; r < n; r++)
    {
        const double* __restrict ar = a + (ptrdiff_t)r * L;
        const double* __restrict dp = d + (ptrdiff_t)(r - 1) * L;
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict fp = fr - L;
        for (int l = 0; l < L; l++)
            fr[l] = fr[l] - (ar[l] * fp[l]) / dp[l];
    }
}

// Back substitution of n eliminated rows: d and c at [r*L + l], f at [r*fs + l]; f receives the
// solution, last row first.
CALEFAX_VECTOR void back_substitute(const double* __restrict d, const double* __restrict c,
                                    double* __restrict f, int n, int L, ptrdiff_t fs)
{
    double* __restrict fl = f + (n - 1) * fs;
    const double* __restrict dl = d + (ptrdiff_t)(n - 1) * L;
    for (int l = 0; l < L; l++)
        fl[l] = fl[l] / dl[l];
    for (int r = n - 2; r >= 0; r--)
    {
        double* __restrict fr = f + r * fs;
        const double* __restrict fn = f + (r + 1) * fs;
        const double* __restrict dr = d + (ptrdiff_t)r * L;
        const double* __restrict cr = c + (ptrdiff_t)r * L;
        for (int l = 0; l < L; l++)
            fr[l] = (fr[l] - cr[l] * fn[l]) / dr[l];
    }
}

// The same two steps for L systems that share one matrix, given by its first lane (a[r*L],
// d[r*L], c[r*L]): a tile of lines with the same runs. Only the right-hand sides are read lane by
// lane; the numbers are those of the lane-by-lane forms.
CALEFAX_VECTOR void solve_shared(const double* __restrict a, const double* __restrict d,
                                 const double* __restrict c, double* __restrict f, int n, int L)
{
    for (int r = 1; r < n; r++)
    {
        const double ar = a[(ptrdiff_t)r * L], dp = d[(ptrdiff_t)(r - 1) * L];
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict fp = fr - L;
        for (int l = 0; l < L; l++)
            fr[l] = fr[l] - (ar * fp[l]) / dp;
    }
    double* __restrict fl = f + (ptrdiff_t)(n - 1) * L;
    const double dl = d[(ptrdiff_t)(n - 1) * L];
    for (int l = 0; l < L; l++)
        fl[l] = fl[l] / dl;
    for (int r = n - 2; r >= 0; r--)
    {
        const double dr = d[(ptrdiff_t)r * L], cr = c[(ptrdiff_t)r * L];
        double* __restrict fr = f + (ptrdiff_t)r * L;
        const double* __restrict fn = fr + L;
        for (int l = 0; l < L; l++)
            fr[l] = (fr[l] - cr * fn[l]) / dr;
    }
}

namespace
{

// dst[k*rows + j] = src[j*cols + k]: a rows x cols block transposed.
void transpose_scalar(const double* __restrict src, double* __restrict dst, int rows, int cols,
                      int j0, int k0)
{
    for (int j = 0; j < rows; j++)
        for (int k = j < j0 ? k0 : 0; k < cols; k++)
            dst[(ptrdiff_t)k * rows + j] = src[(ptrdiff_t)j * cols + k];
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same in blocks of 4 x 4 held in four registers; the edges that do not fill a block are
// left to the scalar loop. A transpose only moves numbers, so any route gives the same bits.
__attribute__((target("avx2"))) void transpose_avx2(const double* __restrict src,
                                                    double* __restrict dst, int rows, int cols)
{
    const int j4 = rows & ~3, k4 = cols & ~3;
    for (int j = 0; j < j4; j += 4)
    {
        const double* s0 = src + (ptrdiff_t)j * cols;
        for (int k = 0; k < k4; k += 4)
        {
            __m256d r0 = _mm256_loadu_pd(s0 + k), r1 = _mm256_loadu_pd(s0 + cols + k),
                    r2 = _mm256_loadu_pd(s0 + 2 * cols + k),
                    r3 = _mm256_loadu_pd(s0 + 3 * cols + k);
            __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1),
                    t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
            double* d = dst + (ptrdiff_t)k * rows + j;
            _mm256_storeu_pd(d, _mm256_permute2f128_pd(t0, t2, 0x20));
            _mm256_storeu_pd(d + rows, _mm256_permute2f128_pd(t1, t3, 0x20));
            _mm256_storeu_pd(d + 2 * rows, _mm256_permute2f128_pd(t0, t2, 0x31));
            _mm256_storeu_pd(d + 3 * rows, _mm256_permute2f128_pd(t1, t3, 0x31));
        }
    }
    // rows j < j4 from column k4 on, and the rows from j4 on whole
    transpose_scalar(src, dst, rows, cols, j4, k4);
}
#endif

} // namespace

void transpose(const double* __restrict src, double* __restrict dst, int rows, int cols)
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
    {
        transpose_avx2(src, dst, rows, cols);
        return;
    }
#endif
    transpose_scalar(src, dst, rows, cols, 0, 0);
}

} // namespace adi
