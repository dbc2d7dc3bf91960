// tests/test_util.h: helpers shared by the test files
#ifndef TESTS_TEST_UTIL_H
#define TESTS_TEST_UTIL_H

#include "adi/TSdg.h"
#include "scratch.h"
#include "sparse/SSMat.h"
#include "sparse/mmd.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// Everything written to std::cout while a CoutCapture lives goes into its buffer instead of the
// console: the constructor swaps std::cout's stream buffer for its own, the destructor puts the
// original back. Only std::cout is captured (not printf, not std::cerr). Not copyable.
class CoutCapture
{
public:
    CoutCapture() : saved(std::cout.rdbuf(text.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(saved); }
    CoutCapture(const CoutCapture&) = delete;
    CoutCapture& operator=(const CoutCapture&) = delete;

    // Everything captured so far.
    std::string str() const { return text.str(); }

private:
    std::ostringstream text; // receives the output
    std::streambuf* saved;   // std::cout's own buffer, restored on destruction
};

// ---- graphs for the ordering tests -------------------------------------------------------------

// An undirected graph on nodes 1..n in the 1-based adjacency form that genmmd takes: the
// neighbours of node k are adjncy[xadj[k] .. xadj[k+1]-1]; slot 0 of both vectors is unused.
struct AdjGraph
{
    int n;                   // number of nodes
    std::vector<int> xadj;   // n + 2 entries
    std::vector<int> adjncy; // 1 + twice the number of edges
};

// The adjacency form of the graph with the given edges (1-based pairs, no loops, no repeats);
// each node lists its neighbours in the order its edges appear.
inline AdjGraph adjacency_from_edges(int n, const std::vector<std::pair<int, int>>& edges)
{
    std::vector<std::vector<int>> nbr(n + 1);
    for (const std::pair<int, int>& e : edges)
    {
        nbr[e.first].push_back(e.second);
        nbr[e.second].push_back(e.first);
    }
    AdjGraph g;
    g.n = n;
    g.xadj.assign(n + 2, 0);
    g.adjncy.assign(1, 0);
    for (int k = 1; k <= n; k++)
    {
        g.xadj[k] = (int)g.adjncy.size();
        g.adjncy.insert(g.adjncy.end(), nbr[k].begin(), nbr[k].end());
    }
    g.xadj[n + 1] = (int)g.adjncy.size();
    return g;
}

// Edges of the 7-point grid graph of nx x ny x nz nodes (nz = 1 for a plane), nodes numbered
// from 1 with x fastest, then y, then z.
inline std::vector<std::pair<int, int>> grid_edges(int nx, int ny, int nz)
{
    std::vector<std::pair<int, int>> edges;
    for (int z = 0; z < nz; z++)
        for (int y = 0; y < ny; y++)
            for (int x = 0; x < nx; x++)
            {
                int v = 1 + x + nx * (y + ny * z);
                if (x + 1 < nx)
                    edges.push_back({v, v + 1});
                if (y + 1 < ny)
                    edges.push_back({v, v + nx});
                if (z + 1 < nz)
                    edges.push_back({v, v + nx * ny});
            }
    return edges;
}

// Edges of the star on nodes 1..n around centre c.
inline std::vector<std::pair<int, int>> star_edges(int n, int c)
{
    std::vector<std::pair<int, int>> edges;
    for (int k = 1; k <= n; k++)
        if (k != c)
            edges.push_back({c, k});
    return edges;
}

// Result of one minimum-degree ordering, 1-based (slot 0 unused).
struct MmdOrder
{
    std::vector<int> perm; // perm[new] = old
    std::vector<int> invp; // invp[old] = new
    int nofsub;            // the subscript count genmmd returns
};

// genmmd on a copy of g with work arrays of exactly the documented sizes (dhead: n + 1 + delta),
// so that a sanitizer sees any access past them; g is unchanged.
inline MmdOrder run_genmmd(const AdjGraph& g, int delta = 1)
{
    int n = g.n;
    std::vector<int> xadj = g.xadj;
    std::vector<int> adjncy = g.adjncy;
    std::vector<int> dhead(n + 1 + delta), qsize(n + 1), llist(n + 1), marker(n + 1);
    MmdOrder r;
    r.perm.assign(n + 1, 0);
    r.invp.assign(n + 1, 0);
    r.nofsub = genmmd(n, xadj.data(), adjncy.data(), r.invp.data(), r.perm.data(), delta,
                      dhead.data(), qsize.data(), llist.data(), marker.data());
    return r;
}

// ---- sparse matrices: dense shadows and the sorted state ---------------------------------------

// The full symmetric matrix of A as n*n doubles, row-major, read through the row lists: each
// stored (i, j) is written at (i, j) and (j, i); a repeated (i, j) keeps the value met last.
inline std::vector<double> dense_of(SSMat* A)
{
    std::vector<double> d((size_t)A->n * A->n, 0.0);
    for (int k = 0; k < A->n; k++)
        for (SSMat::Entry* e = A->row[k]; e != nullptr; e = e->row_next)
        {
            d[(size_t)e->i * A->n + e->j] = e->value;
            d[(size_t)e->j * A->n + e->i] = e->value;
        }
    return d;
}

// The first violation of A's sorted state, or "" when it holds: every row k holds (k, j) in
// strictly increasing j >= k, every column k holds (i, k) in strictly increasing i <= k, both
// kinds of list hold the same entries, and nnz counts them.
inline std::string sorted_state_error(SSMat* A)
{
    std::set<SSMat::Entry*> by_rows, by_cols;
    for (int k = 0; k < A->n; k++)
    {
        int last = -1;
        for (SSMat::Entry* e = A->row[k]; e != nullptr; e = e->row_next)
        {
            if (e->i != k || e->j < k || e->j <= last)
                return "row " + std::to_string(k) + " out of order at column " +
                       std::to_string(e->j);
            last = e->j;
            by_rows.insert(e);
        }
        last = -1;
        for (SSMat::Entry* e = A->col[k]; e != nullptr; e = e->col_next)
        {
            if (e->j != k || e->i > k || e->i <= last)
                return "column " + std::to_string(k) + " out of order at row " +
                       std::to_string(e->i);
            last = e->i;
            by_cols.insert(e);
        }
    }
    if (by_rows != by_cols)
        return "rows and columns hold different entries";
    if ((int)by_rows.size() != A->nnz)
        return "nnz " + std::to_string(A->nnz) + " but " + std::to_string(by_rows.size()) +
               " entries in the rows";
    return "";
}

// Sorted matrix of the 7-point grid of nx x ny x nz nodes (x fastest): diag on the diagonal,
// -1 between neighbours; positive definite for every diag >= 6.
inline SSMat* grid_matrix(int nx, int ny, int nz, double diag)
{
    SSMat* A = new SSMat(nx * ny * nz);
    for (int p = 0; p < A->n; p++)
        A->insertEntry(p, p, diag);
    for (const std::pair<int, int>& e : grid_edges(nx, ny, nz))
        A->insertEntry(e.first - 1, e.second - 1, -1.0);
    A->sort();
    return A;
}

// One stored entry (i, j, v), i <= j, of a matrix given by its upper triangle.
struct UpperEntry
{
    int i;    // row index
    int j;    // column index, j >= i
    double v; // value
};

// n x n matrix of the given entries (distinct (i, j), i <= j) inserted in order, sorted or not.
inline std::unique_ptr<SSMat> sorted_matrix(int n, const std::vector<UpperEntry>& entries,
                                            bool sort = true)
{
    std::unique_ptr<SSMat> A(new SSMat(n));
    for (const UpperEntry& e : entries)
        A->insertEntry(e.i, e.j, e.v);
    if (sort)
        A->sort();
    return A;
}

// n x n symmetric positive definite matrix by its plain insertions in shuffled order (rows left
// unsorted, columns stale): each upper pair with probability density, values uniform in [-1, 1],
// the diagonal 1 + the row's absolute sum (times scale, below 1 leaving some pivots to fail).
inline std::unique_ptr<SSMat> random_spd(int n, double density, double scale, std::mt19937* gen)
{
    std::uniform_real_distribution<double> u(0.0, 1.0), v(-1.0, 1.0);
    std::vector<UpperEntry> entries;
    std::vector<double> diag(n, 1.0);
    for (int i = 0; i < n; i++)
        for (int j = i + 1; j < n; j++)
            if (u(*gen) < density)
            {
                double x = v(*gen);
                entries.push_back({i, j, x});
                diag[i] += std::fabs(x);
                diag[j] += std::fabs(x);
            }
    for (int i = 0; i < n; i++)
        entries.push_back({i, i, scale * diag[i]});
    std::shuffle(entries.begin(), entries.end(), *gen);
    return sorted_matrix(n, entries, false);
}

// ---- ADI model from files ---------------------------------------------------------------------

// Writes chip.dat from t and chip.in holding blocks in the working directory.
inline void write_model(const DataText& t, const std::string& blocks)
{
    write_file("chip.dat", t.text());
    write_file("chip.in", blocks);
}

// The model of write_model(t, blocks), its geometry read.
inline std::unique_ptr<TSdg> read_model(const DataText& t, const std::string& blocks)
{
    write_model(t, blocks);
    std::unique_ptr<TSdg> s(new TSdg("chip.dat"));
    s->read_geometry("chip.in");
    return s;
}

// The temperatures of s, node (i, j, k) at (i (ny + 1) + j) (nz + 1) + k.
inline std::vector<double> field(const TSdg& s)
{
    return std::vector<double>(s.T[0][0], s.T[0][0] + s.n_nodes);
}

// Heat convected out through every face node of s, W: the h of its face (max face first) times
// the node's share of the face area (half a spacing at either end of an axis) times (T - T_amb).
inline double heat_out(const TSdg& s)
{
    auto w = [](int i, int n, double d) { return (i == 0 || i == n) ? d / 2 : d; };
    double total = 0.0;
    for (int i = 0; i <= s.nx; i++)
        for (int j = 0; j <= s.ny; j++)
            for (int k = 0; k <= s.nz; k++)
            {
                double hx = s.h[0] * (i == s.nx) + s.h[1] * (i == 0);
                double hy = s.h[2] * (j == s.ny) + s.h[3] * (j == 0);
                double hz = s.h[4] * (k == s.nz) + s.h[5] * (k == 0);
                double wx = w(i, s.nx, s.dx), wy = w(j, s.ny, s.dy), wz = w(k, s.nz, s.dz);
                total += (hx * wy * wz + hy * wx * wz + hz * wx * wy) * (s.T[i][j][k] - s.T_amb);
            }
    return total;
}

// ---- Crank-Nicolson solver ---------------------------------------------------------------------

// Node number of grid node (i, j, k) in the flat arrays of TScn: x fastest, then z, then y.
inline int cn_node(int nx, int nz, int i, int j, int k)
{
    return i + (nx + 1) * (k + (nz + 1) * j);
}

// Lines of text, each without its newline; a last line without a newline counts too.
inline std::vector<std::string> text_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// Largest |a[n] - b[n]| over the two vectors (of equal size); max_difference(a, zeros) is the
// largest |a[n]|.
inline double max_difference(const std::vector<double>& a, const std::vector<double>& b)
{
    double m = 0.0;
    for (size_t n = 0; n < a.size(); n++)
        m = std::max(m, std::fabs(a[n] - b[n]));
    return m;
}

#endif
