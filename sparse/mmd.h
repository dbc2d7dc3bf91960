// sparse/mmd.h: multiple minimum degree ordering of a symmetric graph (genmmd and its four helpers)
#ifndef SPARSE_MMD_H
#define SPARSE_MMD_H

// The multiple minimum degree algorithm of J. W. H. Liu ("Modification of the minimum-degree
// algorithm by multiple elimination", ACM TOMS 11, 1985) as published in the SPARSPAK routines
// GENMMD, MMDINT, MMDELM, MMDUPD and MMDNUM. The five functions below follow those routines
// statement for statement, so they produce the same ordering; they differ from the published
// calling sequence only in that maxint is the constant MMD_MAXINT and nofsub is returned.
//
// All arrays are 1-based: element 0 of each is allocated by the caller and never read or written,
// nodes are numbered 1..neqns and adjncy holds node numbers. The caller owns every array; nothing
// is allocated here.
//
// ---------------------------------------------------------------------------------------------
// genmmd: purpose
//     Orders the nodes of the graph (xadj, adjncy) to reduce the fill of a Cholesky factor.
//     Repeatedly eliminates every node of minimum external degree that is not adjacent to one
//     already eliminated in the same pass (nodes of degree up to the minimum plus delta), then
//     updates the degrees of the affected nodes in the quotient graph. Indistinguishable nodes
//     are merged into supernodes and numbered together.
//
// Input parameters
//     neqns   number of equations (nodes); genmmd returns 0 at once, touching nothing, when < 1.
//     xadj    neqns + 2 entries: adjncy[xadj[k] .. xadj[k+1] - 1] are the neighbours of node k.
//     delta   tolerance value for multiple elimination; 1 in this library, must be >= 0 for the
//             multiple elimination to take place.
//
// Output parameters
//     perm    neqns + 1 entries: perm[k] is the node numbered k-th (perm[new] = old).
//     invp    neqns + 1 entries: invp[node] is the position of node (invp[old] = new).
//     return  nofsub: the sum of mdeg + qsize[mdnode] - 2 over the eliminated supernodes, an
//             upper bound on the number of subscripts of the compressed factor.
//
// Updated parameters
//     adjncy  xadj[neqns+1] entries: each node lists every neighbour once, both directions
//             stored, no self loops. Destroyed: it holds the quotient graph on return.
//
// Working parameters
//     dhead   neqns + 1 + delta entries: dhead[d+1] is the first node of external degree d.
//             The search for a minimum-degree node reads up to dhead[mdeg + delta] with mdeg up to
//             neqns, so the delta slots past neqns are needed; genmmd clears them itself (they
//             are never linked to a node).
//     qsize   neqns + 1 entries: the number of nodes a supernode stands for; 0 for a merged node.
//     llist   neqns + 1 entries: links of the list of the elements eliminated in a pass and of
//             the lists of nodes awaiting a degree update.
//     marker  neqns + 1 entries: tag marks; MMD_MAXINT marks a node eliminated as isolated or
//             merged into another, which no tag reset clears.
//
// Program subroutines
//     mmdint, mmdelm, mmdupd, mmdnum.
//
// Caution
//     adjncy is overwritten. The input is assumed consistent (a symmetric structure without self
//     loops, arrays of the sizes above); nothing is checked.
// ---------------------------------------------------------------------------------------------
//
// Encodings while the ordering runs (invp serves as dforw, perm as dbakw):
//     in a degree list     dbakw = predecessor, or -(d+1) for the first node of degree d;
//                          dforw = successor, or 0 at the end of the list.
//     awaiting an update   dbakw = 0 (flagged by mmdelm); dforw = number of its neighbours in
//                          adjncy, the new element included.
//     eliminated           dforw = -(its order number): the node is an element of the quotient
//                          graph and its adjncy storage lists its reachable set.
//     merged into s        dforw = -s, dbakw = -MMD_MAXINT, qsize = 0, marker = MMD_MAXINT.
//     outmatched           dbakw = -MMD_MAXINT, in no degree list: its neighbourhood holds that
//                          of a two-neighbour node just relisted, whose elimination reaches it
//                          again and flags it for an update.
// In adjncy a negative entry -e continues the list in the storage of element e, and a 0 ends it
// before the end of its storage.

// The published maxint: tags count up to it and start again at 1; it also marks merged nodes.
const int MMD_MAXINT = 32768;

// Multiple minimum degree order of the graph (xadj, adjncy) into perm/invp, 1-based; adjncy
// destroyed; returns nofsub, or 0 when neqns < 1. Arrays and sizes as described above.
int genmmd(int neqns, int* xadj, int* adjncy, int* invp, int* perm, int delta, int* dhead,
           int* qsize, int* llist, int* marker);

// Initial degree lists: dhead/llist/marker of nodes 1..neqns to 0, qsize to 1, then node k, in
// increasing k, pushed at the front of the list of degree xadj[k+1] - xadj[k].
void mmdint(int neqns, int* xadj, int* adjncy, int* dhead, int* dforw, int* dbakw, int* qsize,
            int* llist, int* marker);

// Eliminates mdnode: its reachable set is formed in place in adjncy (reusing the storage of its
// eliminated neighbours), the reachable nodes leave the degree lists and lose their inactive
// neighbours; those left with none merge into mdnode, the others are flagged for update.
void mmdelm(int mdnode, int* xadj, int* adjncy, int* dhead, int* dforw, int* dbakw, int* qsize,
            int* llist, int* marker, int tag);

// New external degrees of the nodes flagged by the elements listed from ehead (through llist),
// merging indistinguishable two-neighbour nodes; every updated node goes back into its degree
// list and *mdeg is lowered to the smallest new degree. *mdeg and *tag are read and written.
void mmdupd(int ehead, int neqns, int* xadj, int* adjncy, int delta, int* mdeg, int* dhead,
            int* dforw, int* dbakw, int* qsize, int* llist, int* marker, int* tag);

// Final numbering: each merged node is numbered right after the root of its merge chain; on
// entry invp holds -(order number) or -(merged-into node), on exit perm and invp are inverse
// permutations of 1..neqns.
void mmdnum(int neqns, int* perm, int* invp, int* qsize);

#endif
