// bench/bench_orderings.cpp: benchmarks of the fill-reducing orderings on 3D grid matrices
//
// The matrix of every case is the 7-point Laplacian of an m x m x m grid of nodes plus a diagonal
// (6.1 on the diagonal, -1 between neighbours), nodes numbered x fastest. Cases:
//   MMD          the multiple minimum degree order alone: time
//   MMDPermute   MMD, then permute into the new order: time (what a direct solve pays first)
//   FactorNnz    cholesky() of the matrix in the natural, RCM or MMD order: time, nnz of U
//   SymbolicNnz  nnz of U for the three orders from the elimination tree, without values: the
//                count for the factors too large to compute here (natural and RCM at 40^3)
// The nnz counters include the diagonal of U. The FactorNnz cases of 30^3 and 40^3 take seconds
// each (bench_factor compares them with CHOLMOD); --benchmark_filter='MMD|Symbolic' leaves them
// out.
#include "bench/bench_util.h"
#include "sparse/SSMat.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{

// Order codes of the FactorNnz and SymbolicNnz cases.
enum Order
{
    NATURAL = 0,
    RCM_ORDER = 1,
    MMD_ORDER = 2
};

// perm: out, A->n ints: the order named by code (identity, RCM or MMD).
void fillOrder(SSMat* A, int code, int* perm)
{
    if (code == RCM_ORDER)
        A->RCM(perm);
    else if (code == MMD_ORDER)
        A->MMD(perm);
    else
        for (int k = 0; k < A->n; k++)
            perm[k] = k;
}

// nnz of the Cholesky factor U of sorted B, diagonal included, from the structure alone: the
// elimination tree, then for each row i the nodes reached from column i's entries up the tree.
long symbolicFactorNnz(SSMat* B)
{
    int n = B->n;
    int* parent = (int*)malloc(n * sizeof(int));
    int* ancestor = (int*)malloc(n * sizeof(int));
    int* mark = (int*)malloc(n * sizeof(int));

    // ---- elimination tree (with path-compressed ancestors) -------------------------------------
    for (int k = 0; k < n; k++)
    {
        parent[k] = -1;
        ancestor[k] = -1;
        for (SSMat::Entry* e = B->col[k]; e != nullptr && e->i < k; e = e->col_next)
        {
            int i = e->i;
            while (i != -1 && i < k)
            {
                int next = ancestor[i];
                ancestor[i] = k;
                if (next == -1)
                    parent[i] = k;
                i = next;
            }
        }
    }

    // ---- row counts: column k of U holds the tree paths from each (i, k) up to k ---------------
    long nnz = 0;
    for (int k = 0; k < n; k++)
    {
        mark[k] = k;
        nnz++; // the diagonal
        for (SSMat::Entry* e = B->col[k]; e != nullptr && e->i < k; e = e->col_next)
        {
            for (int i = e->i; mark[i] != k; i = parent[i])
            {
                mark[i] = k;
                nnz++;
            }
        }
    }

    free(parent);
    free(ancestor);
    free(mark);
    return nnz;
}

// ---- orderings ---------------------------------------------------------------------------------

// MMD(perm) alone.
void BM_MMD(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* A = gridMatrix(m);
    int* perm = (int*)malloc(A->n * sizeof(int));
    for (auto _ : state)
    {
        A->MMD(perm);
        benchmark::DoNotOptimize(perm[0]);
    }
    state.counters["n"] = A->n;
    free(perm);
    delete A;
}
BENCHMARK(BM_MMD)->Arg(20)->Arg(30)->Arg(40)->Unit(benchmark::kMillisecond);

// MMD(perm), then B = permute(perm) and its release.
void BM_MMDPermute(benchmark::State& state)
{
    int m = (int)state.range(0);
    SSMat* A = gridMatrix(m);
    int* perm = (int*)malloc(A->n * sizeof(int));
    for (auto _ : state)
    {
        A->MMD(perm);
        SSMat* B = A->permute(perm);
        benchmark::DoNotOptimize(B->row);
        delete B;
    }
    state.counters["n"] = A->n;
    state.counters["nnz_A"] = A->nnz;
    free(perm);
    delete A;
}
BENCHMARK(BM_MMDPermute)->Arg(20)->Arg(30)->Arg(40)->Unit(benchmark::kMillisecond);

// ---- fill of the factor ------------------------------------------------------------------------

// cholesky() of the matrix permuted into order range(1); counter nnz_U. The natural and RCM
// factors of 40^3 (about 10^8 entries) are left to SymbolicNnz.
void BM_FactorNnz(benchmark::State& state)
{
    int m = (int)state.range(0);
    int code = (int)state.range(1);
    SSMat* A = gridMatrix(m);
    int* perm = (int*)malloc(A->n * sizeof(int));
    fillOrder(A, code, perm);
    SSMat* B = A->permute(perm);
    long nnz_U = 0;
    for (auto _ : state)
    {
        SSMat* U = B->cholesky();
        nnz_U = U->nnz;
        delete U;
    }
    state.counters["nnz_A"] = A->nnz;
    state.counters["nnz_U"] = (double)nnz_U;
    free(perm);
    delete B;
    delete A;
}
BENCHMARK(BM_FactorNnz)
    ->ArgNames({"m", "order"})
    ->Args({20, NATURAL})
    ->Args({20, RCM_ORDER})
    ->Args({20, MMD_ORDER})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorNnz)
    ->ArgNames({"m", "order"})
    ->Args({30, NATURAL})
    ->Args({30, RCM_ORDER})
    ->Args({30, MMD_ORDER})
    ->Args({40, MMD_ORDER})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// nnz of U from the structure, for every size and order; time of the count.
void BM_SymbolicNnz(benchmark::State& state)
{
    int m = (int)state.range(0);
    int code = (int)state.range(1);
    SSMat* A = gridMatrix(m);
    int* perm = (int*)malloc(A->n * sizeof(int));
    fillOrder(A, code, perm);
    SSMat* B = A->permute(perm);
    long nnz_U = 0;
    for (auto _ : state)
    {
        nnz_U = symbolicFactorNnz(B);
        benchmark::DoNotOptimize(nnz_U);
    }
    state.counters["nnz_U"] = (double)nnz_U;
    free(perm);
    delete B;
    delete A;
}
BENCHMARK(BM_SymbolicNnz)
    ->ArgNames({"m", "order"})
    ->ArgsProduct({{20, 30, 40}, {NATURAL, RCM_ORDER, MMD_ORDER}})
    ->Unit(benchmark::kMillisecond);

} // namespace
