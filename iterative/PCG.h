// iterative/PCG.h: preconditioned conjugate gradients on an SSMat, and the vector helpers
#ifndef ITERATIVE_PCG_H
#define ITERATIVE_PCG_H

#include "sparse/SSMat.h"

// PCG solves A*x = b for a sparse symmetric positive definite A, preconditioned by a Cholesky
// factor M = U of A or of an approximation of A: each iteration solves (U'*U)*z = r with
// solveLUxb. Vectors are plain arrays of n doubles (n = A->n) owned by the caller; the ones made
// by createVectorD and createVectorI are released with free.
//
// The loop stops when the relative residual ||r|| / ||b|| of the recurrence (r is updated, never
// recomputed from x) is <= tol, or after maxit iterations. There is no breakdown test: a zero
// rho or p'*q fills x with infinities or NaNs, and a NaN residual runs on to maxit.

// ---- conjugate gradients -----------------------------------------------------------------------

// x: in/out, n values: start vector on entry, last iterate on exit. A: system matrix, sorted.
// M: factor (sorted, every diagonal stored). b: right-hand side, n values. A, M, b only read.
void PCG(double* x, SSMat* A, SSMat* M, double* b, double tol, int maxit);
// The same iteration, same arithmetic; also *iterations: out, the iterations made (0..maxit),
// and *rel_residual: out, the final ||r|| / ||b|| (||b|| taken as 1.0 when b = 0). Either
// pointer may be null.
void PCG(double* x, SSMat* A, SSMat* M, double* b, double tol, int maxit, int* iterations,
         double* rel_residual);

// ---- vectors -----------------------------------------------------------------------------------

// x[k] = r_k / 32768.0, k = 0..n-1, r_k the successive results of the reference generator
// seeded with 17 (state = state*1103515245 + 12345 mod 2^32, result bits 16..30), so the same
// values in [0, 1) on every platform; the C library's generator is not touched.
void random_initial(double* x, int n);
// New array of n doubles, all 0.0; the caller frees it.
double* createVectorD(int n);
// New array of n ints, all 0; the caller frees it.
int* createVectorI(int n);
// sum of a[k]*b[k], accumulated from k = 0 upward.
double dot(double* a, double* b, int n);
// sqrt(dot(a, a, n)).
double norm2(double* a, int n);
// sum of a[k] from k = 0 upward, signs kept (not the sum of magnitudes).
double norm1(double* a, int n);

#endif
