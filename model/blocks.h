// model/blocks.h: the block records of an input file, their reader, and where a node lies in a
// block
#ifndef MODEL_BLOCKS_H
#define MODEL_BLOCKS_H

#include "model/material.h"

#include <algorithm>
#include <istream>
#include <string>
#include <vector>

// One block record: nine white-space separated items, possibly spread over several lines:
// a block name, the node indices x1 y1 z1 and x2 y2 z2 of two opposite corners (in either order),
// a layer name and the block's volumetric power density (W/m^3). The block holds every node whose
// indices lie between the corners on every axis, both ends included.
struct BlockRecord
{
    std::string name;  // block name, not used by the solvers
    int x1, y1, z1;    // first corner, node indices
    int x2, y2, z2;    // opposite corner, node indices
    std::string layer; // layer name, matched without regard to case
    double power;      // power density of the block
    int line;          // line of the file on which the record starts, from 1
};

// How a reader recognises a comment line ("*" up to the line end, at most 200 characters skipped).
enum CommentRule
{
    COMMENT_AT_NEXT_CHAR, // the next character is "*" or a newline (the ADI input file)
    COMMENT_AFTER_BLANKS  // "*" after any white space, line ends included ("TSinput.txt")
};

// Reads records from in until the end of the text; white space alone before the end is not a
// record. Returns true with every record in out, or false with out holding the records read before
// a record that cannot be read whole and error set to "FILE:LINE: what was wrong".
bool parse_block_records(std::istream& in, const char* file, CommentRule rule,
                         std::vector<BlockRecord>& out, std::string& error);

// True when both corners lie in the grid of nx x ny x nz intervals; otherwise false with error set
// to "FILE:LINE: ..." naming the first index outside.
bool block_inside_grid(const BlockRecord& b, int nx, int ny, int nz, const char* file,
                       std::string& error);

// Index of the first record of layers (0..n_layers-1) named name without regard to case; -1 if
// none.
int find_layer(const material* layers, int n_layers, const char* name);

// Class of index v in a block spanning lo..hi on one axis: 0 at lo (tested first), 2 at hi,
// 1 strictly inside.
inline int block_class(int v, int lo, int hi)
{
    return (v == lo) ? 0 : (v == hi) ? 2 : 1;
}

// Power share divisor of a node with classes (cx, cy, cz): 2 for each axis on which the class is
// not 1 (1 inside the block, 2 on a face, 4 on an edge, 8 at a corner).
inline double block_share_divisor(int cx, int cy, int cz)
{
    int m = (cx != 1) + (cy != 1) + (cz != 1);
    return (double)(1 << m);
}

// Calls node(i, j, k, code, share) for every node of block b, corners in any order: code =
// 9*cx + 3*cy + cz from the node's classes, share = b.power / block_share_divisor(cx, cy, cz).
template <typename Node> void for_each_block_node(const BlockRecord& b, Node node)
{
    int i0 = std::min(b.x1, b.x2), i1 = std::max(b.x1, b.x2);
    int j0 = std::min(b.y1, b.y2), j1 = std::max(b.y1, b.y2);
    int k0 = std::min(b.z1, b.z2), k1 = std::max(b.z1, b.z2);
    for (int i = i0; i <= i1; i++)
    {
        int cx = block_class(i, i0, i1);
        for (int j = j0; j <= j1; j++)
        {
            int cy = block_class(j, j0, j1);
            for (int k = k0; k <= k1; k++)
            {
                int cz = block_class(k, k0, k1);
                node(i, j, k, 9 * cx + 3 * cy + cz, b.power / block_share_divisor(cx, cy, cz));
            }
        }
    }
}

#endif
