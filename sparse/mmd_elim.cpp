// sparse/mmd_elim.cpp: multiple minimum degree: the elimination mmdelm and the degree update mmdupd
//
// The two routines genmmd (sparse/mmd.cpp) calls for each pass: mmdelm turns a node of minimum
// degree into an element of the quotient graph kept in adjncy, mmdupd recomputes the external
// degrees of the nodes it flagged. Arrays are 1-based with slot 0 unused; sizes and encodings
// are described in sparse/mmd.h.
#include "sparse/mmd.h"

namespace
{

// The nodes held in the storage of a node v of the quotient graph: its slots xadj[v] ..
// xadj[v+1]-1, continued through a link -w in a slot to the slots of w, and ended by a 0 or the
// last slot. Slots are read as the walk reaches them, so a walk sees what was stored before it.
struct Walk
{
    const int *xadj, *adjncy;
    int i, stop;
    Walk(const int* xadj, const int* adjncy, int v)
        : xadj(xadj), adjncy(adjncy), i(xadj[v]), stop(xadj[v + 1] - 1)
    {
    }
    // The next node, 0 at the end.
    int next()
    {
        while (i <= stop)
        {
            const int v = adjncy[i++];
            if (v >= 0)
                return v;
            i = xadj[-v];
            stop = xadj[-v + 1] - 1;
        }
        return 0;
    }
};

} // namespace

// ---- mmdelm ------------------------------------------------------------------------------------

// mdnode becomes an element: reachable set in its storage, neighbours purged, merged or flagged.
void mmdelm(int mdnode, int* xadj, int* adjncy, int* dhead, int* dforw, int* dbakw, int* qsize,
            int* llist, int* marker, int tag)
{
    // ---- reachable set: uneliminated neighbours, then those of the neighbouring elements -------
    marker[mdnode] = tag;
    int istrt = xadj[mdnode];
    int istop = xadj[mdnode + 1] - 1;
    // elmnt: list, through llist, of the eliminated neighbours of mdnode; rloc: where the next
    // reachable node is stored; rlmt: the last slot of the storage that rloc runs in.
    int elmnt = 0;
    int rloc = istrt;
    int rlmt = istop;
    for (int i = istrt; i <= istop; i++)
    {
        int nabor = adjncy[i];
        if (nabor == 0)
            break;
        if (marker[nabor] >= tag)
            continue;
        marker[nabor] = tag;
        if (dforw[nabor] < 0)
        {
            llist[nabor] = elmnt;
            elmnt = nabor;
        }
        else
        {
            adjncy[rloc] = nabor;
            rloc = rloc + 1;
        }
    }

    // Merge the nodes reachable through each element; its storage joins the reachable set's
    // through the link -elmnt in the last slot, and is written over once mdnode's is full.
    while (elmnt > 0)
    {
        adjncy[rlmt] = -elmnt;
        Walk walk(xadj, adjncy, elmnt);
        for (int node; (node = walk.next()) != 0;)
        {
            if (marker[node] >= tag || dforw[node] < 0)
                continue;
            marker[node] = tag;
            // Use the storage of eliminated nodes if necessary.
            while (rloc >= rlmt)
            {
                int next = -adjncy[rlmt];
                rloc = xadj[next];
                rlmt = xadj[next + 1] - 1;
            }
            adjncy[rloc] = node;
            rloc = rloc + 1;
        }
        elmnt = llist[elmnt];
    }
    if (rloc <= rlmt)
        adjncy[rloc] = 0;

    // ---- each reachable node: out of the degree lists, purged, then merged or flagged ----------
    Walk reached(xadj, adjncy, mdnode);
    for (int rnode; (rnode = reached.next()) != 0;)
    {

        // Unlink rnode from its degree list unless it is already flagged (dbakw 0) or
        // outmatched (dbakw -MMD_MAXINT), which are in no list.
        int pvnode = dbakw[rnode];
        if (pvnode != 0 && pvnode != -MMD_MAXINT)
        {
            int nxnode = dforw[rnode];
            if (nxnode > 0)
                dbakw[nxnode] = pvnode;
            if (pvnode > 0)
                dforw[pvnode] = nxnode;
            int npv = -pvnode;
            if (pvnode < 0)
                dhead[npv] = nxnode;
        }

        // Purge the inactive quotient neighbours: everything marked by this elimination
        // (mdnode, its elements, the reachable set) and the merged nodes.
        int jstrt = xadj[rnode];
        int jstop = xadj[rnode + 1] - 1;
        int xqnbr = jstrt;
        for (int j = jstrt; j <= jstop; j++)
        {
            int nabor = adjncy[j];
            if (nabor == 0)
                break;
            if (marker[nabor] >= tag)
                continue;
            adjncy[xqnbr] = nabor;
            xqnbr = xqnbr + 1;
        }

        int nqnbrs = xqnbr - jstrt;
        if (nqnbrs <= 0)
        {
            // No active neighbour left: rnode is indistinguishable from mdnode; merge it.
            qsize[mdnode] = qsize[mdnode] + qsize[rnode];
            qsize[rnode] = 0;
            marker[rnode] = MMD_MAXINT;
            dforw[rnode] = -mdnode;
            dbakw[rnode] = -MMD_MAXINT;
        }
        else
        {
            // Flag rnode for a degree update and add mdnode as its neighbour; dforw counts the
            // neighbours now listed.
            dforw[rnode] = nqnbrs + 1;
            dbakw[rnode] = 0;
            adjncy[xqnbr] = mdnode;
            xqnbr = xqnbr + 1;
            if (xqnbr <= jstop)
                adjncy[xqnbr] = 0;
        }
    }
}

// ---- mmdupd ------------------------------------------------------------------------------------

// External degrees of the flagged nodes of the elements from ehead; back into the degree lists.
void mmdupd(int ehead, int neqns, int* xadj, int* adjncy, int delta, int* mdeg, int* dhead,
            int* dforw, int* dbakw, int* qsize, int* llist, int* marker, int* tag)
{
    int mdeg0 = *mdeg + delta;
    for (int elmnt = ehead; elmnt > 0; elmnt = llist[elmnt])
    {
        // mtag marks the nodes of this element; the tags *tag+1 .. below it serve one degree
        // count each. Reset the marks when mtag would reach MMD_MAXINT.
        int mtag = *tag + mdeg0;
        if (mtag >= MMD_MAXINT)
        {
            *tag = 1;
            for (int i = 1; i <= neqns; i++)
            {
                if (marker[i] < MMD_MAXINT)
                    marker[i] = 0;
            }
            mtag = *tag + mdeg0;
        }

        // ---- the element's nodes: deg0 = their total size; flagged ones into two lists ---------
        // q2head: flagged nodes with two neighbours (the element and one other); qxhead: the
        // other flagged nodes. Both are linked through llist.
        int q2head = 0;
        int qxhead = 0;
        int deg0 = 0;
        Walk walk(xadj, adjncy, elmnt);
        for (int enode; (enode = walk.next()) != 0;)
        {
            if (qsize[enode] == 0)
                continue;
            deg0 = deg0 + qsize[enode];
            marker[enode] = mtag;
            if (dbakw[enode] != 0)
                continue;
            if (dforw[enode] != 2)
            {
                llist[enode] = qxhead;
                qxhead = enode;
            }
            else
            {
                llist[enode] = q2head;
                q2head = enode;
            }
        }

        // ---- each enode of either list with no degree yet: count it, then relist it ------------
        // The q2 list goes first: its nodes can merge with or outmatch nodes of either list.
        for (int iq2 = 1; iq2 >= 0; iq2--)
        {
            for (int enode = iq2 ? q2head : qxhead; enode > 0; enode = llist[enode])
            {
                if (dbakw[enode] != 0)
                    continue;
                *tag = *tag + 1;
                int deg = deg0;
                if (iq2)
                {
                    // The other neighbour besides elmnt.
                    int istrt = xadj[enode];
                    int nabor = adjncy[istrt];
                    if (nabor == elmnt)
                        nabor = adjncy[istrt + 1];
                    if (dforw[nabor] >= 0)
                    {
                        // nabor is uneliminated: its size adds to the degree.
                        deg = deg + qsize[nabor];
                    }
                    else
                    {
                        // nabor is an element: add its nodes not in elmnt; a flagged
                        // two-neighbour node in both elements is indistinguishable from
                        // enode, any other flagged node there is outmatched by it.
                        Walk other(xadj, adjncy, nabor);
                        for (int node; (node = other.next()) != 0;)
                        {
                            if (node == enode || qsize[node] == 0)
                                continue;
                            if (marker[node] < *tag)
                            {
                                marker[node] = *tag;
                                deg = deg + qsize[node];
                            }
                            else if (dbakw[node] == 0)
                            {
                                if (dforw[node] == 2)
                                {
                                    qsize[enode] = qsize[enode] + qsize[node];
                                    qsize[node] = 0;
                                    marker[node] = MMD_MAXINT;
                                    dforw[node] = -enode;
                                    dbakw[node] = -MMD_MAXINT;
                                }
                                else
                                {
                                    dbakw[node] = -MMD_MAXINT;
                                }
                            }
                        }
                    }
                }
                else
                {
                    // Each neighbour not yet counted: an uneliminated one adds its size, an
                    // element adds its nodes not yet counted.
                    int istrt = xadj[enode];
                    int iend = xadj[enode + 1] - 1;
                    for (int ii = istrt; ii <= iend; ii++)
                    {
                        int nabor = adjncy[ii];
                        if (nabor == 0)
                            break;
                        if (marker[nabor] >= *tag)
                            continue;
                        marker[nabor] = *tag;
                        if (dforw[nabor] >= 0)
                        {
                            deg = deg + qsize[nabor];
                            continue;
                        }
                        Walk other(xadj, adjncy, nabor);
                        for (int node; (node = other.next()) != 0;)
                        {
                            if (marker[node] < *tag)
                            {
                                marker[node] = *tag;
                                deg = deg + qsize[node];
                            }
                        }
                    }
                }

                // External degree: the count less enode's own supernode; into the front of
                // its list (index deg + 1), lowering mdeg when it is smaller.
                deg = deg - qsize[enode] + 1;
                int fnode = dhead[deg];
                dforw[enode] = fnode;
                dbakw[enode] = -deg;
                if (fnode > 0)
                    dbakw[fnode] = enode;
                dhead[deg] = enode;
                if (deg < *mdeg)
                    *mdeg = deg;
            }
        }
        *tag = mtag;
    }
}
