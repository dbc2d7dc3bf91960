// bench/bench_factor.cpp: cholesky() and solveLUxb against CHOLMOD's factorisations of the same
// matrix in the same order, with a table of times and ratios at the end
//
// Matrices: the 7-point grids of 20^3, 30^3 and 40^3 nodes and the 5-point grid of 300 x 300
// nodes (6.1 on the diagonal, -1 between neighbours), each in the natural, RCM and MMD order. The
// order is computed once per matrix and never timed; B = A(perm, perm) is what cholesky() takes.
// Cases, for each matrix and order, one after the other:
//   Cholesky          U = B->cholesky()
//   SolveLUxb         U->solveLUxb(x, b, y)
//   CholmodSimplicial cholmod_factorize of A with the permutation given (supernodal =
//                     CHOLMOD_SIMPLICIAL, final_ll = 1: the up-looking simplicial LL' factor);
//                     its analysis (etree and counts of the given order, no postorder) is made
//                     beforehand in every iteration and not timed
//   CholmodSolve      cholmod_solve2(CHOLMOD_LDLt): L*L'*x = b, no permutation, as solveLUxb
//   CholmodSupernodal the same factorisation with supernodal = CHOLMOD_SUPERNODAL: the far anchor
// Every time is the processor time of the call alone (allocations of the inputs and the release
// of the factors left out), reported as the benchmark's manual time: it counts any thread CHOLMOD
// starts and not the time other programs take on a shared machine. The table printed after the
// runs gives, per matrix and order, the mean times in ms and the ratios Calefax / CHOLMOD
// simplicial, then the MMD factor's time against the RCM factor's. Without CHOLMOD (not found
// when the build was configured) only the Calefax cases run and the table says so. The natural
// and RCM factors of 40^3 hold 10^8 and 6*10^7 entries (3.2 and 1.8 GB as an SSMat) and take up
// to a minute each; --benchmark_filter selects fewer cases, e.g. '20x20x20|mmd'.
#include "bench/bench_util.h"
#include "iterative/PCG.h"
#include "sparse/SSMat.h"

#include <benchmark/benchmark.h>

#ifdef CALEFAX_BENCH_CHOLMOD
#include <cholmod.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace
{

// ---- the cases ----------------------------------------------------------------------------------

// One matrix in one order, and what its cases keep between them.
struct Case
{
    std::string matrix;  // "20x20x20", ..., "300x300"
    std::string order;   // "natural", "rcm", "mmd"
    int nx, ny, nz;      // grid nodes along x, y, z
    SSMat* A = nullptr;  // the grid matrix, natural order
    int* perm = nullptr; // perm[new] = old
    SSMat* B = nullptr;  // A(perm, perm)
    SSMat* U = nullptr;  // the last factor of B made by the Cholesky case
    long nnz_U = 0;      // its entries
#ifdef CALEFAX_BENCH_CHOLMOD
    cholmod_sparse* Ac = nullptr; // upper triangle of A, compressed columns
    cholmod_factor* L = nullptr;  // the last simplicial factor
#endif
};

std::vector<Case> cases;
int live = -1; // the case whose matrices are built; the others hold nothing

// Processor time of the process, s.
double cpu_now()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

#ifdef CALEFAX_BENCH_CHOLMOD
cholmod_common cc; // CHOLMOD's settings and workspace, started in main

// The upper triangle of sorted A in compressed columns (column lists, rows increasing).
cholmod_sparse* cholmod_upper(SSMat* A)
{
    cholmod_sparse* S = cholmod_allocate_sparse(A->n, A->n, A->nnz, 1, 1, 1, CHOLMOD_REAL, &cc);
    int* Sp = (int*)S->p;
    int* Si = (int*)S->i;
    double* Sx = (double*)S->x;
    int p = 0;
    for (int j = 0; j < A->n; j++)
    {
        Sp[j] = p;
        for (SSMat::Entry* e = A->col[j]; e != nullptr; e = e->col_next)
        {
            Si[p] = e->i;
            Sx[p++] = e->value;
        }
    }
    Sp[A->n] = p;
    return S;
}
#endif

// Frees everything case c holds.
void release(Case& c)
{
    delete c.A;
    delete c.B;
    delete c.U;
    free(c.perm);
    c.A = c.B = c.U = nullptr;
    c.perm = nullptr;
#ifdef CALEFAX_BENCH_CHOLMOD
    cholmod_free_sparse(&c.Ac, &cc);
    cholmod_free_factor(&c.L, &cc);
#endif
}

// Case k with its matrices built; the case built before it is released first.
Case& use(int k)
{
    Case& c = cases[k];
    if (live == k)
        return c;
    if (live >= 0)
        release(cases[live]);
    live = k;
    c.A = gridMatrixBox(c.nx, c.ny, c.nz);
    c.perm = (int*)malloc(c.A->n * sizeof(int));
    if (c.order == "rcm")
        c.A->RCM(c.perm);
    else if (c.order == "mmd")
        c.A->MMD(c.perm);
    else
        for (int k = 0; k < c.A->n; k++)
            c.perm[k] = k;
    c.B = c.A->permute(c.perm);
#ifdef CALEFAX_BENCH_CHOLMOD
    c.Ac = cholmod_upper(c.A);
#endif
    return c;
}

// ---- Calefax ------------------------------------------------------------------------------------

// U = B->cholesky(); counters: n, nnz_U.
void BM_Cholesky(benchmark::State& state, int k)
{
    Case& c = use(k);
    for (auto _ : state)
    {
        delete c.U;
        double t0 = cpu_now();
        c.U = c.B->cholesky();
        state.SetIterationTime(cpu_now() - t0);
    }
    c.nnz_U = c.U->nnz;
    state.counters["n"] = c.B->n;
    state.counters["nnz_U"] = (double)c.U->nnz;
}

// b = random_initial, one U->solveLUxb.
void BM_SolveLUxb(benchmark::State& state, int k)
{
    Case& c = use(k);
    if (c.U == nullptr)
        c.U = c.B->cholesky();
    int n = c.B->n;
    double* b = createVectorD(n);
    double* x = createVectorD(n);
    double* y = createVectorD(n);
    random_initial(b, n);
    for (auto _ : state)
    {
        double t0 = cpu_now();
        c.U->solveLUxb(x, b, y);
        state.SetIterationTime(cpu_now() - t0);
        benchmark::DoNotOptimize(x[0]);
    }
    free(b);
    free(x);
    free(y);
}

// ---- CHOLMOD ------------------------------------------------------------------------------------

#ifdef CALEFAX_BENCH_CHOLMOD
// cholmod_factorize after an untimed cholmod_analyze_p of the given order; counters: nnz_L, and
// analyze_ms, the time of that analysis. The simplicial factor is kept for CholmodSolve.
void BM_CholmodFactor(benchmark::State& state, int k, bool supernodal)
{
    Case& c = use(k);
    double analyze = 0.0;
    double nnz_L = 0.0;
    for (auto _ : state)
    {
        if (!supernodal)
            cholmod_free_factor(&c.L, &cc);
        cc.nmethods = 1; // the given order only, not postordered
        cc.method[0].ordering = CHOLMOD_GIVEN;
        cc.postorder = 0;
        cc.supernodal = supernodal ? CHOLMOD_SUPERNODAL : CHOLMOD_SIMPLICIAL;
        cc.final_ll = 1;
        double t0 = cpu_now();
        cholmod_factor* L = cholmod_analyze_p(c.Ac, c.perm, nullptr, 0, &cc);
        analyze = cpu_now() - t0;
        t0 = cpu_now();
        cholmod_factorize(c.Ac, L, &cc);
        state.SetIterationTime(cpu_now() - t0);
        if (cc.status != CHOLMOD_OK || L->minor != (size_t)c.A->n || !L->is_ll ||
            (bool)L->is_super != supernodal)
        {
            state.SkipWithError("CHOLMOD did not make the LL' factor asked for");
            cholmod_free_factor(&L, &cc);
            break;
        }
        nnz_L = cc.lnz;
        if (supernodal)
            cholmod_free_factor(&L, &cc);
        else
            c.L = L;
    }
    state.counters["nnz_L"] = nnz_L;
    state.counters["analyze_ms"] = 1e3 * analyze;
}

// cholmod_solve2(CHOLMOD_LDLt) with the simplicial LL' factor, X, Y and E reused; counter
// max_x_diff: the largest |x - x_calefax| over the largest |x_calefax|, which shows that both
// solved the same system.
void BM_CholmodSolve(benchmark::State& state, int k)
{
    Case& c = use(k);
    if (c.L == nullptr)
        state.SkipWithError("no simplicial factor: CholmodSimplicial did not run");
    int n = c.A->n;
    cholmod_dense* bc = cholmod_allocate_dense(n, 1, n, CHOLMOD_REAL, &cc);
    random_initial((double*)bc->x, n);
    cholmod_dense *X = nullptr, *Y = nullptr, *E = nullptr;
    for (auto _ : state)
    {
        double t0 = cpu_now();
        cholmod_solve2(CHOLMOD_LDLt, c.L, bc, nullptr, &X, nullptr, &Y, &E, &cc);
        state.SetIterationTime(cpu_now() - t0);
        benchmark::DoNotOptimize(X);
    }
    if (X != nullptr && c.U != nullptr) // both solve the same system: the largest difference
    {
        std::vector<double> x(n), y(n);
        c.U->solveLUxb(x.data(), (double*)bc->x, y.data());
        double diff = 0.0, size = 0.0;
        for (int t = 0; t < n; t++)
        {
            diff = std::fmax(diff, std::fabs(x[t] - ((double*)X->x)[t]));
            size = std::fmax(size, std::fabs(x[t]));
        }
        state.counters["max_x_diff"] = diff / size;
    }
    cholmod_free_dense(&X, &cc);
    cholmod_free_dense(&Y, &cc);
    cholmod_free_dense(&E, &cc);
    cholmod_free_dense(&bc, &cc);
}
#endif

// ---- the table ----------------------------------------------------------------------------------

// The console report, which also keeps the mean time per iteration (s) of every run by name.
class TableReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred && r.iterations > 0)
                seconds[r.run_name.function_name] = r.real_accumulated_time / r.iterations;
        ConsoleReporter::ReportRuns(runs);
    }
};

// "12.3" ms, or "-" when the case did not run.
std::string ms(const std::map<std::string, double>& t, const std::string& name)
{
    auto it = t.find(name);
    if (it == t.end())
        return "-";
    char s[32];
    snprintf(s, sizeof s, "%.4g", 1e3 * it->second);
    return s;
}

// "2.1x": t[a] / t[b], or "-".
std::string ratio(const std::map<std::string, double>& t, const std::string& a,
                  const std::string& b)
{
    auto ia = t.find(a), ib = t.find(b);
    if (ia == t.end() || ib == t.end())
        return "-";
    char s[32];
    snprintf(s, sizeof s, "%.2fx", ia->second / ib->second);
    return s;
}

void print_table(const std::map<std::string, double>& t)
{
#ifdef CALEFAX_BENCH_CHOLMOD
    int v[3];
    cholmod_version(v);
    printf("\nCholesky of the same matrix in the same order, against CHOLMOD %d.%d.%d "
           "(times in ms; ratio = Calefax / CHOLMOD simplicial)\n",
           v[0], v[1], v[2]);
#else
    printf("\nCHOLMOD was not found when the build was configured (Debian: libsuitesparse-dev):"
           " Calefax times only, in ms\n");
#endif
    printf("%-8s %-7s %10s | %9s %10s %7s %10s | %9s %9s %7s\n", "matrix", "order", "nnz(U)",
           "cholesky", "simplicial", "ratio", "supernodal", "solveLUxb", "cholmod", "ratio");
    for (const Case& c : cases)
    {
        std::string key = "/" + c.matrix + "/" + c.order;
        bool ran = false;
        for (const auto& run : t)
            ran = ran || run.first.find(key) != std::string::npos;
        if (!ran)
            continue;
        printf("%-8s %-7s %10s | %9s %10s %7s %10s | %9s %9s %7s\n", c.matrix.c_str(),
               c.order.c_str(), c.nnz_U > 0 ? std::to_string(c.nnz_U).c_str() : "-",
               ms(t, "Cholesky" + key).c_str(), ms(t, "CholmodSimplicial" + key).c_str(),
               ratio(t, "Cholesky" + key, "CholmodSimplicial" + key).c_str(),
               ms(t, "CholmodSupernodal" + key).c_str(), ms(t, "SolveLUxb" + key).c_str(),
               ms(t, "CholmodSolve" + key).c_str(),
               ratio(t, "SolveLUxb" + key, "CholmodSolve" + key).c_str());
    }
    printf("\nMMD factor against RCM factor (cholesky time, MMD / RCM):");
    for (const Case& c : cases)
    {
        std::string r = ratio(t, "Cholesky/" + c.matrix + "/mmd", "Cholesky/" + c.matrix + "/rcm");
        if (c.order == "mmd" && r != "-")
            printf("  %s %s", c.matrix.c_str(), r.c_str());
    }
    printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
#ifdef CALEFAX_BENCH_CHOLMOD
    cholmod_start(&cc);
#endif

    // ---- the cases, registered matrix by matrix and order by order --------------------------
    struct Grid
    {
        const char* name;
        int nx, ny, nz;
    };
    const Grid grids[] = {{"20x20x20", 20, 20, 20},
                          {"30x30x30", 30, 30, 30},
                          {"300x300", 300, 300, 1},
                          {"40x40x40", 40, 40, 40}};
    for (const Grid& g : grids)
        for (const char* order : {"natural", "rcm", "mmd"})
            cases.push_back({g.name, order, g.nx, g.ny, g.nz});
    for (int k = 0; k < (int)cases.size(); k++)
    {
        std::string key = "/" + cases[k].matrix + "/" + cases[k].order;
        // factors at least 2 s, so that the mid-sized ones run several times
        auto add = [&](const std::string& name, void (*f)(benchmark::State&, int))
        {
            benchmark::RegisterBenchmark((name + key).c_str(), f, k)
                ->UseManualTime()
                ->MinTime(name.find("Solve") == std::string::npos ? 2.0 : 0.5)
                ->Unit(benchmark::kMillisecond);
        };
        add("Cholesky", BM_Cholesky);
        add("SolveLUxb", BM_SolveLUxb);
#ifdef CALEFAX_BENCH_CHOLMOD
        add("CholmodSimplicial", [](benchmark::State& s, int k) { BM_CholmodFactor(s, k, false); });
        add("CholmodSolve", BM_CholmodSolve);
        add("CholmodSupernodal", [](benchmark::State& s, int k) { BM_CholmodFactor(s, k, true); });
#endif
    }

    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print_table(reporter.seconds);

    if (live >= 0)
        release(cases[live]);
#ifdef CALEFAX_BENCH_CHOLMOD
    cholmod_finish(&cc);
#endif
    benchmark::Shutdown();
    return 0;
}
