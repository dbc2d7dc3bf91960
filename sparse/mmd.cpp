// sparse/mmd.cpp: multiple minimum degree ordering, after the SPARSPAK routines GENMMD and helpers
//
// After J. W. H. Liu's GENMMD, MMDINT, MMDELM, MMDUPD and MMDNUM (SPARSPAK), statement for
// statement, with the published variable names; the jumps of the original are written as the
// loops they form. The quotient graph lives in adjncy: an eliminated node (an element) keeps its
// reachable set in its own storage, continued by -e into the storage of element e and ended by 0.
// Arrays are 1-based with slot 0 unused; sizes and encodings are described in sparse/mmd.h.
#include "sparse/mmd.h"

// ---- genmmd ------------------------------------------------------------------------------------

// perm/invp: the multiple minimum degree order of (xadj, adjncy), adjncy destroyed; nofsub back.
int genmmd(int neqns, int* xadj, int* adjncy, int* invp, int* perm, int delta, int* dhead,
           int* qsize, int* llist, int* marker)
{
    if (neqns < 1)
        return 0;
    int nofsub = 0;
    mmdint(neqns, xadj, adjncy, dhead, invp, perm, qsize, llist, marker);
    // The search below reads up to dhead[neqns + delta]; the heads past neqns stay empty.
    for (int d = neqns + 1; d <= neqns + delta; d++)
        dhead[d] = 0;

    // num: the number of nodes ordered so far, plus 1.
    int num = 1;

    // ---- isolated nodes first, in the order of the degree-0 list -------------------------------
    int nextmd = dhead[1];
    while (nextmd > 0)
    {
        int mdnode = nextmd;
        nextmd = invp[mdnode];
        marker[mdnode] = MMD_MAXINT;
        invp[mdnode] = -num;
        num = num + 1;
    }

    // mdeg: the current minimum degree plus 1 (a dhead index); tag: the value that marks a node
    // as seen in the present elimination (marker < tag means not yet seen).
    int tag = 1;
    int mdeg = 2;
    int complete = num > neqns;  // 1 once the last supernode has been numbered
    if (!complete)
        dhead[1] = 0;
    while (!complete)
    {
        // ---- the smallest degree with a node in its list ---------------------------------------
        while (dhead[mdeg] <= 0)
            mdeg = mdeg + 1;
        // mdlmt: the largest degree (plus 1) eliminated in this pass before the update.
        int mdlmt = mdeg + delta;
        // ehead: list, through llist, of the nodes eliminated in this pass.
        int ehead = 0;

        // ---- multiple elimination: every node of degree up to mdlmt still in the lists ---------
        for (;;)
        {
            int mdnode = dhead[mdeg];
            while (mdnode <= 0)
            {
                mdeg = mdeg + 1;
                if (mdeg > mdlmt)
                    break;
                mdnode = dhead[mdeg];
            }
            if (mdnode <= 0)
                break;

            // Take mdnode off the front of its degree list and give it the next number.
            nextmd = invp[mdnode];
            dhead[mdeg] = nextmd;
            if (nextmd > 0)
                perm[nextmd] = -mdeg;
            invp[mdnode] = -num;
            nofsub = nofsub + mdeg + qsize[mdnode] - 2;
            if (num + qsize[mdnode] > neqns)
            {
                complete = 1;   // mdnode's supernode holds every node not yet numbered
                break;
            }

            // A fresh tag for this elimination; at MMD_MAXINT the marks start again from 0,
            // except the permanent marks of isolated and merged nodes.
            tag = tag + 1;
            if (tag >= MMD_MAXINT)
            {
                tag = 1;
                for (int i = 1; i <= neqns; i++)
                {
                    if (marker[i] < MMD_MAXINT)
                        marker[i] = 0;
                }
            }
            mmdelm(mdnode, xadj, adjncy, dhead, invp, perm, qsize, llist, marker, tag);
            num = num + qsize[mdnode];
            llist[mdnode] = ehead;
            ehead = mdnode;
            if (delta < 0)
                break;
        }

        // ---- degrees of the nodes next to this pass's elements ---------------------------------
        if (complete || num > neqns)
            break;
        mmdupd(ehead, neqns, xadj, adjncy, delta, &mdeg, dhead, invp, perm, qsize, llist, marker,
               &tag);
    }

    mmdnum(neqns, perm, invp, qsize);
    return nofsub;
}

// ---- mmdint ------------------------------------------------------------------------------------

// dhead/dforw/dbakw: every node in the list of its initial degree; qsize 1, llist and marker 0.
void mmdint(int neqns, int* xadj, int* adjncy, int* dhead, int* dforw, int* dbakw, int* qsize,
            int* llist, int* marker)
{
    (void)adjncy;   // the initial degree is the length of the adjacency list
    for (int node = 1; node <= neqns; node++)
    {
        dhead[node] = 0;
        qsize[node] = 1;
        marker[node] = 0;
        llist[node] = 0;
    }
    // Each node goes to the front of its list, so a list runs in decreasing node number.
    for (int node = 1; node <= neqns; node++)
    {
        int ndeg = xadj[node + 1] - xadj[node] + 1;
        int fnode = dhead[ndeg];
        dforw[node] = fnode;
        dhead[ndeg] = node;
        if (fnode > 0)
            dbakw[fnode] = node;
        dbakw[node] = -ndeg;
    }
}

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
        int link = elmnt;
        int j = xadj[link];
        int jstop = xadj[link + 1] - 1;
        while (j <= jstop)
        {
            int node = adjncy[j];
            j = j + 1;
            if (node < 0)
            {
                link = -node;
                j = xadj[link];
                jstop = xadj[link + 1] - 1;
                continue;
            }
            if (node == 0)
                break;
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
    int link = mdnode;
    int i = xadj[link];
    istop = xadj[link + 1] - 1;
    while (i <= istop)
    {
        int rnode = adjncy[i];
        i = i + 1;
        if (rnode < 0)
        {
            link = -rnode;
            i = xadj[link];
            istop = xadj[link + 1] - 1;
            continue;
        }
        if (rnode == 0)
            break;

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
        int link = elmnt;
        int i = xadj[link];
        int istop = xadj[link + 1] - 1;
        while (i <= istop)
        {
            int enode = adjncy[i];
            i = i + 1;
            if (enode < 0)
            {
                link = -enode;
                i = xadj[link];
                istop = xadj[link + 1] - 1;
                continue;
            }
            if (enode == 0)
                break;
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
                        link = nabor;
                        int j = xadj[link];
                        int jstop = xadj[link + 1] - 1;
                        while (j <= jstop)
                        {
                            int node = adjncy[j];
                            j = j + 1;
                            if (node == enode)
                                continue;
                            if (node < 0)
                            {
                                link = -node;
                                j = xadj[link];
                                jstop = xadj[link + 1] - 1;
                                continue;
                            }
                            if (node == 0)
                                break;
                            if (qsize[node] == 0)
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
                        link = nabor;
                        int j = xadj[link];
                        int jstop = xadj[link + 1] - 1;
                        while (j <= jstop)
                        {
                            int node = adjncy[j];
                            j = j + 1;
                            if (node < 0)
                            {
                                link = -node;
                                j = xadj[link];
                                jstop = xadj[link + 1] - 1;
                                continue;
                            }
                            if (node == 0)
                                break;
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

// ---- mmdnum ------------------------------------------------------------------------------------

// perm/invp from the order numbers of the representatives and the merge chains of the others.
void mmdnum(int neqns, int* perm, int* invp, int* qsize)
{
    // perm[node] > 0: the order number of a representative; < 0: -(the node it merged into).
    for (int node = 1; node <= neqns; node++)
    {
        int nqsize = qsize[node];
        if (nqsize <= 0)
            perm[node] = invp[node];
        if (nqsize > 0)
            perm[node] = -invp[node];
    }

    // Each merged node: follow its chain to the root representative and take the number after
    // the root's running count; then point every node on the chain straight at the root.
    for (int node = 1; node <= neqns; node++)
    {
        if (perm[node] > 0)
            continue;
        int father = node;
        while (perm[father] <= 0)
            father = -perm[father];
        int root = father;
        int num = perm[root] + 1;
        invp[node] = -num;
        perm[root] = num;

        father = node;
        int nextf = -perm[father];
        while (nextf > 0)
        {
            perm[father] = -root;
            father = nextf;
            nextf = -perm[father];
        }
    }

    // invp holds -(position) of every node: make it positive and invert it into perm.
    for (int node = 1; node <= neqns; node++)
    {
        int num = -invp[node];
        invp[node] = num;
        perm[num] = node;
    }
}
