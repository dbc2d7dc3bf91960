// sparse/SSMat.cpp: SSMat storage: the entry pool, constructors, destructor and single-entry
// operations (insert, sort, get, delete, modify)
#include "sparse/SSMat.h"

#include <cstdlib>

// ---- construction ------------------------------------------------------------------------------

// Empty n x n matrix; the pool starts with one block, nothing taken.
SSMat::SSMat(int n) : n(n), nnz(0)
{
    row = (Entry**)calloc(n > 0 ? n : 1, sizeof(Entry*));
    col = (Entry**)calloc(n > 0 ? n : 1, sizeof(Entry*));
    pool_first = (EntryBlock*)malloc(sizeof(EntryBlock));
    pool_first->next_block = nullptr;
    pool_block = pool_first;
    pool_used = 0;
    pool_next = &pool_block->slot[0];
}

// Copy of B: rows 0..n-1 in list order through the plain insertion, then sort; B only read.
SSMat::SSMat(SSMat* B) : SSMat(B->n)
{
    for (int k = 0; k < B->n; k++)
        for (Entry* e = B->row[k]; e != nullptr; e = e->row_next)
            insertEntry(e->i, e->j, e->value);
    sort();
}

// a*B: as the copy, each value a*value; zero products are dropped by the insertion.
SSMat::SSMat(double a, SSMat* B) : SSMat(B->n)
{
    for (int k = 0; k < B->n; k++)
        for (Entry* e = B->row[k]; e != nullptr; e = e->row_next)
            insertEntry(e->i, e->j, a * e->value);
    sort();
}

// Frees both head arrays, then the pool block by block.
SSMat::~SSMat()
{
    free(row);
    free(col);
    EntryBlock* b = pool_first;
    while (b != nullptr)
    {
        EntryBlock* next = b->next_block;
        free(b);
        b = next;
    }
}

// The slot at pool_next; taking the last slot of a block opens the next block at once, so that
// pool_used stays within 0..ENTRY_BLOCK_SLOTS-1 between calls.
SSMat::Entry* SSMat::newEntry()
{
    Entry* e = pool_next;
    pool_used++;
    if (pool_used > ENTRY_BLOCK_SLOTS - 1)
    {
        EntryBlock* b = (EntryBlock*)malloc(sizeof(EntryBlock));
        b->next_block = nullptr;
        pool_block->next_block = b;
        pool_block = b;
        pool_used = 0;
    }
    pool_next = &pool_block->slot[pool_used];
    return e;
}

// The blocks are opened as newEntry opens them: taking a block's last slot opens the next.
EntryBlock** SSMat::takeSlots(int count)
{
    int blocks = count / ENTRY_BLOCK_SLOTS + 1;
    EntryBlock** block = (EntryBlock**)malloc(blocks * sizeof(EntryBlock*));
    block[0] = pool_block;
    for (int b = 1; b < blocks; b++)
    {
        EntryBlock* nb = (EntryBlock*)malloc(sizeof(EntryBlock));
        nb->next_block = nullptr;
        pool_block->next_block = nb;
        pool_block = nb;
        block[b] = nb;
    }
    pool_used = count % ENTRY_BLOCK_SLOTS;
    pool_next = &pool_block->slot[pool_used];
    return block;
}

// ---- insertion ---------------------------------------------------------------------------------

// (i, j, v) at the head of row i; the column list of j does not hold it until sort().
void SSMat::insertEntry(int i, int j, double v)
{
    if (v == 0.0)
        return;
    Entry* e = newEntry();
    e->i = i;
    e->j = j;
    e->value = v;
    e->row_next = row[i];
    e->col_next = nullptr;
    row[i] = e;
    nnz++;
}

// (i, j, v) before *at in row i; *at then refers to it. No column holds it.
void SSMat::insertEntry(int i, int j, double v, Entry** at)
{
    if (v == 0.0)
        return;
    Entry* e = newEntry();
    e->i = i;
    e->j = j;
    e->value = v;
    e->row_next = *at;
    e->col_next = nullptr;
    *at = e;
    nnz++;
}

// (i, j, v) before *at in row i and before *col_at in column j.
void SSMat::insertEntry(int i, int j, double v, Entry** at, Entry** col_at)
{
    if (v == 0.0)
        return;
    Entry* e = newEntry();
    e->i = i;
    e->j = j;
    e->value = v;
    e->row_next = *at;
    e->col_next = *col_at;
    *at = e;
    *col_at = e;
    nnz++;
}

// ---- sort: two stable transpositions, O(n + nnz) ----------------------------------------------

// Rows and columns rebuilt in increasing order; entries, values and nnz unchanged.
void SSMat::sort()
{
    // tail[k] designates the link at which the next entry of list k is appended
    Entry*** tail = (Entry***)malloc((n > 0 ? n : 1) * sizeof(Entry**));

    // ---- rows -> columns: rows visited in increasing i, so every column comes out by i ---------
    for (int k = 0; k < n; k++)
        tail[k] = &col[k];
    for (int r = 0; r < n; r++)
        for (Entry* e = row[r]; e != nullptr; e = e->row_next)
        {
            *tail[e->j] = e;
            tail[e->j] = &e->col_next;
        }
    for (int k = 0; k < n; k++)
        *tail[k] = nullptr;

    // ---- columns -> rows: columns visited in increasing j, so every row comes out by j ---------
    for (int k = 0; k < n; k++)
        tail[k] = &row[k];
    for (int c = 0; c < n; c++)
        for (Entry* e = col[c]; e != nullptr; e = e->col_next)
        {
            *tail[e->i] = e;
            tail[e->i] = &e->row_next;
        }
    for (int k = 0; k < n; k++)
        *tail[k] = nullptr;

    free(tail);
}

// ---- search, delete, modify --------------------------------------------------------------------

// Walk of row min(i,j) while the column is below max(i,j).
double SSMat::getEntry(int i, int j)
{
    int a = i < j ? i : j;
    int b = i < j ? j : i;
    Entry* e = row[a];
    while (e != nullptr && e->j < b)
        e = e->row_next;
    return (e != nullptr && e->j == b) ? e->value : 0.0;
}

// rp and cp end at the links that refer to (a, b) in its row and its column.
int SSMat::deleteEntry(int i, int j)
{
    int a = i < j ? i : j;
    int b = i < j ? j : i;
    Entry** rp = &row[a];
    while (*rp != nullptr && (*rp)->j < b)
        rp = &(*rp)->row_next;
    if (*rp == nullptr || (*rp)->j > b)
        return 0;
    Entry** cp = &col[b];
    while (*cp != nullptr && (*cp)->i < a)
        cp = &(*cp)->col_next;
    if (*cp == nullptr || (*cp)->i > a)
        return 0;
    *rp = (*rp)->row_next;
    *cp = (*cp)->col_next;
    nnz--;
    return 1;
}

// Both searches always run, so that an absent entry can be inserted at its sorted place in both
// lists with the two-hint insertion.
void SSMat::modifyEntry(int i, int j, double v)
{
    int a = i < j ? i : j;
    int b = i < j ? j : i;
    Entry** rp = &row[a];
    while (*rp != nullptr && (*rp)->j < b)
        rp = &(*rp)->row_next;
    Entry** cp = &col[b];
    while (*cp != nullptr && (*cp)->i < a)
        cp = &(*cp)->col_next;

    if (*rp != nullptr && (*rp)->j == b)
        (*rp)->value = v;
    else if (v != 0.0)
        insertEntry(a, b, v, rp, cp);

    // in the sorted state *rp and *cp now refer to the same entry when (a, b) is stored
    if (*rp != nullptr && (*rp)->j == b && (*rp)->value == 0.0)
    {
        *rp = (*rp)->row_next;
        *cp = (*cp)->col_next;
        nnz--;
    }
}
