// bench/bench_sparse.cpp: benchmarks of the sparse matrix library and PCG on 3D grid matrices
//
// The matrix of every case is the 7-point Laplacian of an m x m x m grid of nodes plus a diagonal
// (6.1 on the diagonal, -1 between neighbours), nodes numbered x fastest, in their natural order
// (no fill-reducing ordering). Cases:
//   BuildSort    plain insertions of every entry, then sort: entries per second
//   Sort         sort of a built matrix over a range of sizes: complexity fit in nnz
//   Multiply     y = A*x over the same range: complexity fit in nnz
//   Cholesky     complete factor: time and nnz of the factor
//   SolveLUxb    one solve pair with the complete factor: time per solve
//   CholeskyTh   threshold factor with th = 1e-4: time and nnz
//   PCG          x = 0 to tolerance 1e-10 (at most 1000 iterations) with the threshold factor
#include "bench/bench_util.h"
#include "iterative/PCG.h"
#include "sparse/SSMat.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{

// Matrices and factors kept across the runs of a case (a benchmark function runs several times);
// index m, built on first use and never released before the program ends.
const int MAX_M = 97;
SSMat* cached_A[MAX_M];
SSMat* cached_U[MAX_M];
SSMat* cached_M[MAX_M];

SSMat* matrixFor(int m)
{
    if (cached_A[m] == nullptr)
        cached_A[m] = gridMatrix(m);
    return cached_A[m];
}

SSMat* completeFactorFor(int m)
{
    if (cached_U[m] == nullptr)
        cached_U[m] = matrixFor(m)->cholesky();
    return cached_U[m];
}

SSMat* thresholdFactorFor(int m)
{
    if (cached_M[m] == nullptr)
        cached_M[m] = matrixFor(m)->cholesky_th(1e-4);
    return cached_M[m];
}

// ---- build and sort --------------------------------------------------------------------------

// Every entry inserted, then one sort; items = stored entries.
void BM_BuildSort(benchmark::State& state)
{
    int m = (int)state.range(0);
    long entries = 0;
    for (auto _ : state)
    {
        SSMat* A = gridMatrixUnsorted(m);
        A->sort();
        entries = A->nnz;
        benchmark::DoNotOptimize(A->row);
        delete A;
    }
    state.SetItemsProcessed(state.iterations() * entries);
    state.counters["n"] = m * m * m;
    state.counters["nnz"] = (double)entries;
}
BENCHMARK(BM_BuildSort)->Arg(20)->Arg(30)->Unit(benchmark::kMillisecond);

// sort() alone, repeated on one matrix; N = nnz.
void BM_Sort(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* A = gridMatrixUnsorted(m);
    for (auto _ : state)
    {
        A->sort();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (long)A->nnz);
    state.SetComplexityN(A->nnz);
    delete A;
}
BENCHMARK(BM_Sort)->DenseRange(64, 96, 8)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

// ---- products --------------------------------------------------------------------------------

// y = A*x; N = nnz.
void BM_Multiply(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* A = matrixFor(m);
    double* x = createVectorD(A->n);
    double* y = createVectorD(A->n);
    random_initial(x, A->n);
    for (auto _ : state)
    {
        A->multiply(y, x);
        benchmark::DoNotOptimize(y[0]);
    }
    state.SetItemsProcessed(state.iterations() * (long)A->nnz);
    state.SetComplexityN(A->nnz);
    free(x);
    free(y);
}
BENCHMARK(BM_Multiply)
    ->DenseRange(64, 96, 8)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

// ---- complete factor and solves --------------------------------------------------------------

// cholesky() in natural order; counter nnz_U = entries of the factor. The first factor made is
// kept for the solve cases.
void BM_Cholesky(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* A = matrixFor(m);
    long nnz_U = 0;
    for (auto _ : state)
    {
        SSMat* U = A->cholesky();
        nnz_U = U->nnz;
        if (cached_U[m] == nullptr)
            cached_U[m] = U; // kept for SolveLUxb
        else
            delete U;
    }
    state.counters["n"] = A->n;
    state.counters["nnz_A"] = A->nnz;
    state.counters["nnz_U"] = (double)nnz_U;
}
BENCHMARK(BM_Cholesky)->Arg(20)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cholesky)->Arg(30)->Iterations(1)->Unit(benchmark::kMillisecond);

// One solveLUxb with the complete factor (built once, outside the timing).
void BM_SolveLUxb(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* U = completeFactorFor(m);
    double* b = createVectorD(U->n);
    double* x = createVectorD(U->n);
    double* y = createVectorD(U->n);
    random_initial(b, U->n);
    for (auto _ : state)
    {
        U->solveLUxb(x, b, y);
        benchmark::DoNotOptimize(x[0]);
    }
    state.counters["nnz_U"] = U->nnz;
    free(b);
    free(x);
    free(y);
}
BENCHMARK(BM_SolveLUxb)->Arg(20)->Arg(30)->Unit(benchmark::kMillisecond);

// ---- threshold factor and PCG ----------------------------------------------------------------

// cholesky_th(1e-4); counter nnz_M = entries of the incomplete factor.
void BM_CholeskyTh(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* A = matrixFor(m);
    long nnz_M = 0;
    for (auto _ : state)
    {
        SSMat* M = A->cholesky_th(1e-4);
        nnz_M = M->nnz;
        delete M;
    }
    state.counters["nnz_M"] = (double)nnz_M;
}
BENCHMARK(BM_CholeskyTh)->Arg(20)->Arg(30)->Unit(benchmark::kMillisecond);

// PCG from x = 0 for b = random values, tolerance 1e-10, at most 1000 iterations; counters: the
// iterations made and the final relative residual.
void BM_PCG(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* A = matrixFor(m);
    SSMat* M = thresholdFactorFor(m);
    double* b = createVectorD(A->n);
    double* x = createVectorD(A->n);
    random_initial(b, A->n);
    int iterations = 0;
    double rel = 0.0;
    for (auto _ : state)
    {
        for (int k = 0; k < A->n; k++)
            x[k] = 0.0;
        PCG(x, A, M, b, 1e-10, 1000, &iterations, &rel);
        benchmark::DoNotOptimize(x[0]);
    }
    state.counters["iterations"] = iterations;
    state.counters["rel_residual"] = rel;
    state.counters["nnz_M"] = M->nnz;
    free(b);
    free(x);
}
BENCHMARK(BM_PCG)->Arg(20)->Arg(30)->Unit(benchmark::kMillisecond);

} // namespace
