// sparse/mmd.cpp: multiple minimum degree: the driver genmmd, lists mmdint, numbering mmdnum
//
// After J. W. H. Liu's GENMMD, MMDINT, MMDELM, MMDUPD and MMDNUM (SPARSPAK), statement for
// statement, with the published variable names; the jumps of the original are written as the
// loops they form. The quotient graph lives in adjncy: an eliminated node (an element) keeps its
// reachable set in its own storage, continued by -e into the storage of element e and ended by 0.
// Arrays are 1-based with slot 0 unused; sizes and encodings are described in sparse/mmd.h.
// The elimination step and the degree update (mmdelm, mmdupd) are in sparse/mmd_elim.cpp.
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
    int complete = num > neqns; // 1 once the last supernode has been numbered
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
                complete = 1; // mdnode's supernode holds every node not yet numbered
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
    (void)adjncy; // the initial degree is the length of the adjacency list
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
