// adi/TSdg_multigrid.cpp: the symmetric 7-point operator, its coarse levels and the V-cycle
#include "adi/TSdg_multigrid.h"

#include <algorithm>

namespace adi
{

void Stencil::resize(int x, int y, int z)
{
    mx = x;
    my = y;
    mz = z;
    for (std::vector<double>* v : {&d, &ex, &ey, &ez})
        v->assign(size(), 0.0);
}

void Stencil::apply(const double* x, double* y) const
{
    const ptrdiff_t SI = si(), SJ = sj();
    for (int i = 0; i < mx; i++)
        for (int j = 0; j < my; j++)
        {
            const ptrdiff_t base = i * SI + j * SJ;
            const double *D = d.data() + base, *X = x + base, *EZ = ez.data() + base;
            double* Y = y + base;
            for (int k = 0; k < mz; k++)
            {
                double v = D[k] * X[k];
                if (k > 0)
                    v -= EZ[k - 1] * X[k - 1];
                if (k + 1 < mz)
                    v -= EZ[k] * X[k + 1];
                if (i > 0)
                    v -= ex[base - SI + k] * X[k - SI];
                if (i + 1 < mx)
                    v -= ex[base + k] * X[k + SI];
                if (j > 0)
                    v -= ey[base - SJ + k] * X[k - SJ];
                if (j + 1 < my)
                    v -= ey[base + k] * X[k + SJ];
                Y[k] = v;
            }
        }
}

LineMultigrid::LineMultigrid(const Stencil& fine, int sweeps) : nu(sweeps)
{
    ops.push_back(&fine);
    lev.emplace_back();
    while (ops.back()->mx > 1 || ops.back()->my > 1)
    {
        own.emplace_back(new Stencil);
        coarsen(*ops.back(), lev.back(), *own.back());
        ops.push_back(own.back().get());
        lev.emplace_back();
        lev.back().x.assign(ops.back()->size(), 0.0);
        lev.back().b.assign(ops.back()->size(), 0.0);
    }
    for (size_t l = 0; l < ops.size(); l++)
        factor_lines(*ops[l], lev[l]);
    g.resize(fine.mz);
}

double LineMultigrid::complexity() const
{
    double all = 0.0;
    for (const Stencil* A : ops)
        all += (double)A->size();
    return all / (double)ops[0]->size();
}

// Pairs of planes along x and y (three at an odd end); an axis of one plane stays as it is.
void LineMultigrid::coarsen(const Stencil& A, Level& L, Stencil& C)
{
    auto pairs = [](int m, std::vector<int>& to, std::vector<int>& count)
    {
        int cm = m > 1 ? m / 2 : 1;
        to.resize(m);
        count.assign(cm, 0);
        for (int i = 0; i < m; i++)
        {
            to[i] = std::min(m > 1 ? i / 2 : 0, cm - 1);
            count[to[i]]++;
        }
        return cm;
    };
    const int cmx = pairs(A.mx, L.ci, L.ni), cmy = pairs(A.my, L.cj, L.nj), mz = A.mz;
    C.resize(cmx, cmy, mz);
    std::vector<double> loss(C.size(), 0.0);
    const ptrdiff_t SI = A.si(), SJ = A.sj(), CI = C.si(), CJ = C.sj();
    for (int i = 0; i < A.mx; i++)
        for (int j = 0; j < A.my; j++)
        {
            const ptrdiff_t p0 = i * SI + j * SJ, c0 = L.ci[i] * CI + L.cj[j] * CJ;
            const bool cross_x = i + 1 < A.mx && L.ci[i + 1] != L.ci[i];
            const bool cross_y = j + 1 < A.my && L.cj[j + 1] != L.cj[j];
            for (int k = 0; k < mz; k++)
            {
                const ptrdiff_t p = p0 + k, c = c0 + k;
                loss[c] += std::max(0.0, A.d[p] - A.links(p, i, j, k));
                C.ez[c] += A.ez[p];
                if (cross_x)
                    C.ex[c] += A.ex[p];
                if (cross_y)
                    C.ey[c] += A.ey[p];
            }
        }
    for (int I = 0; I < cmx; I++)
        for (int J = 0; J < cmy; J++)
        {
            const double fx = I + 1 < cmx ? 2.0 / (L.ni[I] + L.ni[I + 1]) : 0.0;
            const double fy = J + 1 < cmy ? 2.0 / (L.nj[J] + L.nj[J + 1]) : 0.0;
            for (int k = 0; k < mz; k++)
            {
                const ptrdiff_t c = I * CI + J * CJ + k;
                C.ex[c] *= fx;
                C.ey[c] *= fy;
            }
        }
    for (int I = 0; I < cmx; I++)
        for (int J = 0; J < cmy; J++)
            for (int k = 0; k < mz; k++)
            {
                const ptrdiff_t c = I * CI + J * CJ + k;
                C.d[c] = loss[c] + C.links(c, I, J, k);
            }
}

// Thomas factor of every z line: pivot_k = d_k - ez_{k-1}^2/pivot_{k-1}, kept as 1/pivot.
void LineMultigrid::factor_lines(const Stencil& A, Level& L)
{
    L.piv.resize(A.size());
    for (size_t base = 0; base < A.size(); base += A.mz)
    {
        double pivot = A.d[base];
        L.piv[base] = 1.0 / pivot;
        for (int k = 1; k < A.mz; k++)
        {
            const double e = A.ez[base + k - 1];
            pivot = A.d[base + k] - e * e * L.piv[base + k - 1];
            L.piv[base + k] = 1.0 / pivot;
        }
    }
}

// One pass of z-line Gauss-Seidel: each line solved with its x and y neighbours as they are.
// With zero_start (x = 0 before, forward pass) the lines not reached yet count as 0.
void LineMultigrid::relax(int l, const double* b, double* x, bool forward, bool zero_start)
{
    const Stencil& A = *ops[l];
    const double* piv = lev[l].piv.data();
    const int mz = A.mz, lines = A.mx * A.my;
    const ptrdiff_t SI = A.si(), SJ = A.sj();
    for (int n = 0; n < lines; n++)
    {
        const int line = forward ? n : lines - 1 - n;
        const int i = line / A.my, j = line % A.my;
        const ptrdiff_t base = (ptrdiff_t)line * mz;
        const double* B = b + base;
        for (int k = 0; k < mz; k++)
            g[k] = B[k];
        if (i > 0)
        {
            const double *E = A.ex.data() + base - SI, *X = x + base - SI;
            for (int k = 0; k < mz; k++)
                g[k] += E[k] * X[k];
        }
        if (j > 0)
        {
            const double *E = A.ey.data() + base - SJ, *X = x + base - SJ;
            for (int k = 0; k < mz; k++)
                g[k] += E[k] * X[k];
        }
        if (!zero_start && i + 1 < A.mx)
        {
            const double *E = A.ex.data() + base, *X = x + base + SI;
            for (int k = 0; k < mz; k++)
                g[k] += E[k] * X[k];
        }
        if (!zero_start && j + 1 < A.my)
        {
            const double *E = A.ey.data() + base, *X = x + base + SJ;
            for (int k = 0; k < mz; k++)
                g[k] += E[k] * X[k];
        }
        const double *EZ = A.ez.data() + base, *P = piv + base;
        double* X = x + base;
        for (int k = 1; k < mz; k++)
            g[k] += EZ[k - 1] * P[k - 1] * g[k - 1];
        X[mz - 1] = g[mz - 1] * P[mz - 1];
        for (int k = mz - 2; k >= 0; k--)
            X[k] = (g[k] + EZ[k] * X[k + 1]) * P[k];
    }
}

void LineMultigrid::cycle(int l, const double* b, double* x)
{
    const Stencil& A = *ops[l];
    if (l + 1 == (int)ops.size())
    {
        relax(l, b, x, true, true); // one line: solved exactly
        return;
    }
    for (int s = 0; s < nu; s++)
        relax(l, b, x, true, s == 0);
    // the residual, summed over each coarse node's fine nodes
    const Stencil& C = *ops[l + 1];
    Level& L = lev[l];
    Level& N = lev[l + 1];
    std::fill(N.b.begin(), N.b.end(), 0.0);
    const ptrdiff_t SI = A.si(), SJ = A.sj(), CI = C.si(), CJ = C.sj();
    for (int i = 0; i < A.mx; i++)
        for (int j = 0; j < A.my; j++)
        {
            const ptrdiff_t base = i * SI + j * SJ;
            double* R = N.b.data() + L.ci[i] * CI + L.cj[j] * CJ;
            const double *X = x + base, *D = A.d.data() + base, *EZ = A.ez.data() + base;
            for (int k = 0; k < A.mz; k++)
            {
                double v = b[base + k] - D[k] * X[k];
                if (k > 0)
                    v += EZ[k - 1] * X[k - 1];
                if (k + 1 < A.mz)
                    v += EZ[k] * X[k + 1];
                if (i > 0)
                    v += A.ex[base - SI + k] * X[k - SI];
                if (i + 1 < A.mx)
                    v += A.ex[base + k] * X[k + SI];
                if (j > 0)
                    v += A.ey[base - SJ + k] * X[k - SJ];
                if (j + 1 < A.my)
                    v += A.ey[base + k] * X[k + SJ];
                R[k] += v;
            }
        }
    cycle(l + 1, N.b.data(), N.x.data());
    for (int i = 0; i < A.mx; i++)
        for (int j = 0; j < A.my; j++)
        {
            double* X = x + i * SI + j * SJ;
            const double* Xc = N.x.data() + L.ci[i] * CI + L.cj[j] * CJ;
            for (int k = 0; k < A.mz; k++)
                X[k] += Xc[k];
        }
    for (int s = 0; s < nu; s++)
        relax(l, b, x, false, false);
}

void LineMultigrid::apply(const double* r, double* z)
{
    cycle(0, r, z);
}

} // namespace adi
