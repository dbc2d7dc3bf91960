// sparse/SSMat.h: SSMat, the sparse symmetric matrix held as linked rows and columns of its upper
// triangle, with its entry pool, arithmetic, Cholesky factors, orderings and text input/printing
#ifndef SPARSE_SSMAT_H
#define SPARSE_SSMAT_H

#include <cstdio>
#include <string>

// An SSMat holds a symmetric n x n matrix of doubles by its upper triangle, diagonal included.
// Every stored entry (i, j), i <= j, is one Entry that sits in two singly linked lists at once:
// row i's list (the upper triangle read by rows) and column j's list (the same entries read by
// columns, which is the lower triangle read by rows). Indices are 0-based.
//
// Invariants:
// - every stored entry has i <= j; the entry (j, i) of the symmetric matrix is the stored (i, j);
// - no insertion stores an exact 0.0 (the arithmetic may still leave a stored entry at 0.0);
// - at most one entry per (i, j): callers ensure it, nothing checks it;
// - nnz is the number of entries reachable through the row lists.
//
// Sorted state: every row list in strictly increasing j (a row's diagonal, when stored, first),
// every column list in increasing i (a column's diagonal last), every entry in both lists.
// sort() establishes it; the plain insertEntry loses it (it prepends to the row list and links no
// column); the hinted insertEntry overloads keep it when their hints are placed in order. Most
// operations below need it; each contract says so.
//
// Storage: entries come from a pool of EntryBlocks of ENTRY_BLOCK_SLOTS entries each, one
// malloc per block, never one per entry. A slot taken by an insertion stays taken until the matrix
// is destroyed, also after deleteEntry or modifyEntry unlink its entry. The matrix owns its pool,
// its two head arrays and therefore every entry; entries are never shared between matrices.
// Head arrays, blocks and work arrays are allocated with malloc/calloc and released with free;
// a matrix returned by an operation is made with new and the caller deletes it.
//
// Limitations: indices are not validated (callers pass 0 <= i, j < n), and allocation failure is
// not detected. Only the text reader checks its input, at the file boundary.

struct EntryBlock;

// Number of entry slots in one EntryBlock.
const int ENTRY_BLOCK_SLOTS = 5000;

// Largest dimension a matrix text file may declare whatever its entry count (2^20 rows: 16 MiB
// of head arrays). A larger n needs n <= 2*e: every row of a nonsingular matrix holds an entry,
// and one upper-triangle line fills at most two rows.
const int MATRIX_FILE_FREE_DIMENSION = 1 << 20;

class SSMat
{
public:
    // One stored entry: a plain record, linked into its row list and its column list.
    struct Entry
    {
        int i;           // row index, 0..n-1
        int j;           // column index, i..n-1
        double value;    // the entry's value
        Entry* row_next; // next entry of row i; null at the end of the row
        Entry* col_next; // next entry of column j; null at the end of the column
    };

    EntryBlock* pool_first; // first block of the entry pool; null only in a moved-from shell
    EntryBlock* pool_block; // block now being filled
    int pool_used;          // slots taken in pool_block, 0..ENTRY_BLOCK_SLOTS-1 between calls
    Entry* pool_next;       // slot the next insertion takes: slot pool_used of pool_block
    int n;                  // dimension
    int nnz;                // number of entries linked into the row lists
    Entry** row;            // n row-list heads; row k holds (k, j), j >= k, increasing j if sorted
    Entry** col;            // n column-list heads; column k holds (i, k), i <= k; stale after a
                            // plain insertEntry until sort()

    // ---- construction ------------------------------------------------------------------------

    // Empty n x n matrix: n null row and column heads, first pool block allocated.
    explicit SSMat(int n);
    // Copy of B (sorted), B only read; entries of B holding exactly 0.0 are not copied.
    explicit SSMat(SSMat* B);
    // a*B (sorted), B only read; products equal to 0.0 are not stored.
    SSMat(double a, SSMat* B);
    // Matrix read from a text file (format 2: "n ignored e", then e lines "i j v"), sorted.
    // Any other format code (0 and 1 exist) reads nothing and gives a 0 x 0 matrix. A file that
    // cannot be opened or does not parse ends the program through fatal() with the message of
    // read_text.
    SSMat(const char* file, int format);
    // Frees the row heads, the column heads, then every pool block.
    ~SSMat();

    SSMat(const SSMat&) = delete;
    SSMat& operator=(const SSMat&) = delete;

    // New matrix read from a text file as SSMat(file, format) does, or null with *error set when
    // the file cannot be opened ("Cannot open this file!!\n") or is rejected ("FILE:LINE: what
    // was wrong"): a missing header, fewer entry lines than announced, a malformed or non-finite
    // number, an index outside 0..n-1, text after the three items, a line of 4096 characters or
    // more, or the same upper-triangle entry listed twice. Lines with i > j or v == 0.0 are
    // skipped; nothing after the e-th entry line is read. A dimension above
    // MATRIX_FILE_FREE_DIMENSION is refused unless n <= 2*e, and the n-sized head arrays are made
    // only once all e entry lines have been read, so that a few bytes of header cannot claim
    // gigabytes. The caller deletes the result.
    static SSMat* read_text(const char* file, int format, std::string* error);
    // The same on the open file f (not null), which the call takes over and closes; file only
    // names it in messages.
    static SSMat* read_text(FILE* f, const char* file, int format, std::string* error);

    // ---- entries -----------------------------------------------------------------------------

    // Prepends (i, j, v), i <= j, to row i; links no column (columns stale until sort()).
    // v == 0.0 stores nothing.
    void insertEntry(int i, int j, double v);
    // Inserts (i, j, v), i <= j, before *at, at being a link of row i's list; afterwards *at is
    // the new entry; its col_next is null and no column list holds it. v == 0.0 stores nothing.
    void insertEntry(int i, int j, double v, Entry** at);
    // As above, and also inserts it before *col_at, col_at being a link of column j's list.
    void insertEntry(int i, int j, double v, Entry** at, Entry** col_at);
    // Brings the matrix into the sorted state by two linear transpositions; needs complete rows.
    void sort();
    // Unlinks (min(i,j), max(i,j)) from its row and column and returns 1, or returns 0 when it is
    // not stored. Needs the sorted state; the pool slot is not reused.
    int deleteEntry(int i, int j);
    // Value stored at (min(i,j), max(i,j)), or 0.0 when absent. Needs rows in increasing j.
    double getEntry(int i, int j);
    // Sets (min(i,j), max(i,j)) to v: overwrites, inserts in order when absent and v != 0.0, and
    // removes the entry when it ends at exactly 0.0. Needs and keeps the sorted state.
    void modifyEntry(int i, int j, double v);

    // ---- arithmetic and triangular solves -----------------------------------------------------

    // y = A*x with A = U + U' - diag(U). Needs the sorted state.
    // x: in, n values, not modified;  y: out, n values, distinct from x
    void multiply(double* y, double* x);
    // r = b - A*x. Needs the sorted state.
    // b, x: in, n values each;  r: out, n values, distinct from b and x
    void minusMultiply(double* r, double* b, double* x);
    // Every stored value times a; entries that become 0.0 stay stored. Needs row lists only.
    void timesEqual(double a);
    // This matrix += B, B only read; both sorted and of the same n (B distinct from this);
    // ends sorted. Sums of exactly 0.0 stay stored.
    void addEqual(SSMat* B);
    // This matrix += a*B, B only read; as addEqual, added values of exactly 0.0 not inserted.
    void addEqualTimes(double a, SSMat* B);
    // x solving (U'*U)*x = b, this matrix being the factor U (sorted, every diagonal stored).
    // b: in, n values;  x: out, n values, may be b;  y: workspace, n values, on exit U'^-1*b
    void solveLUxb(double* x, double* b, double* y);

    // ---- Cholesky factorisations ---------------------------------------------------------------
    // Both read only the row lists of this matrix A, which must be symmetric positive definite
    // with every diagonal stored and no stored exact zeros (rows in any order). They return U
    // with A ~ U'*U as a new matrix in the sorted state (no sort pass), every diagonal stored,
    // each row's entries in consecutive pool slots, row after row; the caller deletes it. A
    // pivot that is not positive (zero, negative or NaN) is reported on standard error
    // (report_error) as "cholesky: pivot of row K is not positive (V)" (or "cholesky_th") and the
    // call returns null after freeing everything it allocated.

    // Complete factor: A = U'*U up to rounding, with every fill entry.
    SSMat* cholesky();
    // Threshold (incomplete) factor: off-diagonal entries of U with magnitude below th (>= 0) are
    // dropped as they are computed and take no part in later rows; th = 0.0 gives cholesky().
    SSMat* cholesky_th(double th);

    // ---- orderings and permutation -------------------------------------------------------------
    // A permutation is perm[new] = old: the reordered B has B(k, l) = A(perm[k], perm[l]).

    // perm: out, n ints: Cuthill-McKee order (breadth first, lower then upper neighbours in
    // index order, each component from its lowest unvisited node). Needs the sorted state.
    void CM(int* perm);
    // perm: out, n ints: the reverse of the CM order. Needs the sorted state.
    void RCM(int* perm);
    // perm: out, n ints: multiple minimum degree order. Needs the sorted state and every
    // diagonal stored.
    void MMD(int* perm);
    // New sorted matrix B(k, l) = A(perm[k], perm[l]), this matrix only read (row lists only);
    // perm: in, n ints. Returns null, creating nothing, when perm is not a permutation of 0..n-1.
    SSMat* permute(int* perm);
    // New sorted m x m matrix through map: in, n ints, map[k] the new index of row k or -1 to
    // leave it out; rows mapped to one index merge, the value written last standing. Needs the
    // sorted state. Returns null, creating nothing, when a map value is outside -1..m-1.
    SSMat* mapping(int* map, int m);

    // ---- printing ------------------------------------------------------------------------------
    // All show the full symmetric matrix, every row in increasing column order; sorted state.

    // Prints on standard output in mode 0 (dense table), 1 (coordinates by rows) or 2
    // (coordinate file); any other mode prints nothing.
    void printm(int mode);
    // The layouts of printm written to f.
    void fprintm(FILE* f, int mode);
    // The sparsity pattern on standard output: one '*' per entry, blanks before it.
    void showMap();

private:
    // The slot that the next insertion takes; opens a new block when the current one fills up.
    Entry* newEntry();
    // On a matrix that has taken no slot yet: takes slots 0..count-1 as count insertions would
    // (opening every block they need) and returns the blocks in pool order, slot p being
    // slot[p % ENTRY_BLOCK_SLOTS] of block p / ENTRY_BLOCK_SLOTS, in a malloc'ed array that the
    // caller frees. The slots are left unset and unlinked; nnz is unchanged.
    EntryBlock** takeSlots(int count);
    // Merge of B's rows into this matrix's rows, adding a*value (scaled) or value; then sort().
    void merge(double a, SSMat* B, bool scaled);
    // Up-looking row Cholesky; threshold selects cholesky_th's dropping with threshold th.
    SSMat* factor(bool threshold, double th);
};

// A block of the entry pool: ENTRY_BLOCK_SLOTS entries followed by the link to the next block.
struct EntryBlock
{
    SSMat::Entry slot[ENTRY_BLOCK_SLOTS]; // entry storage, filled from slot 0 upward
    EntryBlock* next_block;               // next block of the pool; null in the last block
};

#endif
