// iterative/PCG.cpp: preconditioned conjugate gradients and the vector helpers
#include "iterative/PCG.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// ---- conjugate gradients -----------------------------------------------------------------------

// x overwritten by the last iterate; A, M, b only read.
void PCG(double* x, SSMat* A, SSMat* M, double* b, double tol, int maxit)
{
    PCG(x, A, M, b, tol, maxit, nullptr, nullptr);
}

// Work vectors for one call: r residual, z = (U'*U)^-1 * r, p search direction, q = A*p, t the
// work vector of solveLUxb.
void PCG(double* x, SSMat* A, SSMat* M, double* b, double tol, int maxit, int* iterations,
         double* rel_residual)
{
    int n = A->n;
    double* r = createVectorD(n);
    double* z = createVectorD(n);
    double* p = createVectorD(n);
    double* q = createVectorD(n);
    double* t = createVectorD(n);

    A->minusMultiply(r, b, x);
    double beta0 = norm2(b, n);
    if (beta0 == 0.0)
        beta0 = 1.0;
    double rel = norm2(r, n) / beta0;
    double rho = 0.0;
    int k = 1;

    // !(rel <= tol) rather than rel > tol: a NaN residual keeps the loop going to maxit
    while (k <= maxit && !(rel <= tol))
    {
        M->solveLUxb(z, r, t);
        double rho_old = rho;
        rho = dot(r, z, n);
        if (k == 1)
        {
            for (int m = 0; m < n; m++)
                p[m] = z[m];
        }
        else
        {
            double beta = rho / rho_old;
            for (int m = 0; m < n; m++)
                p[m] = z[m] + beta * p[m];
        }
        A->multiply(q, p);
        double alpha = rho / dot(p, q, n);
        for (int m = 0; m < n; m++)
        {
            x[m] = x[m] + alpha * p[m];
            r[m] = r[m] - alpha * q[m];
        }
        rel = norm2(r, n) / beta0;
        k = k + 1;
    }

    if (iterations != nullptr)
        *iterations = k - 1;
    if (rel_residual != nullptr)
        *rel_residual = rel;
    free(r);
    free(z);
    free(p);
    free(q);
    free(t);
}

// ---- vectors -----------------------------------------------------------------------------------

// The reference generator's state is local, so callers of rand() see no change.
void random_initial(double* x, int n)
{
    uint32_t state = 17;
    for (int k = 0; k < n; k++)
    {
        state = state * 1103515245u + 12345u;  // modulo 2^32 by unsigned wrap-around
        int r = (int)((state >> 16) & 0x7fff); // bits 16 to 30: 0..32767
        x[k] = r / 32768.0;
    }
}

// calloc, then every element set to 0.0 explicitly.
double* createVectorD(int n)
{
    double* v = (double*)calloc(n > 0 ? n : 1, sizeof(double));
    for (int k = 0; k < n; k++)
        v[k] = 0.0;
    return v;
}

// calloc, then every element set to 0.
int* createVectorI(int n)
{
    int* v = (int*)calloc(n > 0 ? n : 1, sizeof(int));
    for (int k = 0; k < n; k++)
        v[k] = 0;
    return v;
}

// s += a[k]*b[k] in increasing k.
double dot(double* a, double* b, int n)
{
    double s = 0.0;
    for (int k = 0; k < n; k++)
        s += a[k] * b[k];
    return s;
}

// Euclidean norm through dot.
double norm2(double* a, int n)
{
    return sqrt(dot(a, a, n));
}

// Plain sum of the entries.
double norm1(double* a, int n)
{
    double s = 0.0;
    for (int k = 0; k < n; k++)
        s += a[k];
    return s;
}
