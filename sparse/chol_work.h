// sparse/chol_work.h: what the files of the Cholesky factorisations share: the factor in
// compressed rows while it is computed, the structure of the complete factor, and the two
// factorisation loops (complete, threshold) that fill the one from the other
#ifndef SPARSE_CHOL_WORK_H
#define SPARSE_CHOL_WORK_H

#include "sparse/SSMat.h"

// The factor U in compressed rows: row i is Uj/Ux[Up[i] .. Up[i+1]-1], diagonal first, then
// increasing column. Rows are appended in order, so a lower position means a lower row. Uj and
// Ux grow by doubling.
struct RowFactor
{
    int* Up;    // n+1 row starts
    int* Uj;    // column of each entry
    double* Ux; // value of each entry
    long cap;   // room of Uj and Ux
    int nnz;    // entries so far
};

// Structure of the complete factor U of a matrix A, assuming no cancellation (the entries of
// the numeric factor are a subset of it):
struct FactorStructure
{
    long* Sp;    // n+1: the columns j > k of row k of U are Sj[Sp[k] .. Sp[k+1]-1]
    int* Sj;     // increasing within each row
    int* parent; // n: parent of each row in the elimination tree, -1 at a root
};

// The structure of the complete factor of A, from A's row lists (any order; only the entries
// (k, j), j > k, count). The arrays are malloc'ed; free_structure releases them.
void factor_structure(SSMat* A, FactorStructure& S);
void free_structure(FactorStructure& S);

// Room for at least need entries in Uj and Ux.
void grow_row_factor(RowFactor& U, long need);

// The complete factor of A into U (Up allocated, Uj and Ux with room for every entry of S) with
// the structure S; returns -1, or the first row whose pivot is not positive, with *pivot its
// value.
int factor_complete(SSMat* A, const FactorStructure& S, RowFactor& U, double* pivot);
// The threshold factor (|U(i, j)| < th dropped) of A into U (Up allocated, Uj and Ux grown as
// needed); returns as factor_complete.
int factor_threshold(SSMat* A, double th, RowFactor& U, double* pivot);

#endif
