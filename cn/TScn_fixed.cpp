// cn/TScn_fixed.cpp: the Crank-Nicolson run with the six faces held at 83.0 ("Crank_Nicolson.txt")
#include "cn/TScn.h"

#include "cn/TScn_rows.h"

#include <cmath>
#include <vector>

// The whole grid is assembled as for free nodes; the fixed face values are then moved to the
// right-hand side of their neighbours, and the face rows and columns become identity rows, so
// that every solve returns T_new = 83.0 on the faces and A stays symmetric positive definite.
void TScn::assemble_fixed()
{
    const double T_fix = 83.0;
    const double s = ry + 1.0 + rz;    // the six links of a row sum to s*c[7]
    const int X = nx + 1;              // z stride of the node numbers
    const int P = (nx + 1) * (nz + 1); // y stride
    double dx2 = pow(dx, 2.0);

    for (int j = 0; j <= ny; j++)
        for (int kk = 0; kk <= nz; kk++)
            for (int i = 0; i <= nx; i++)
                if (i == 0 || i == nx || j == 0 || j == ny || kk == 0 || kk == nz)
                    T[node(i, j, kk)] = T_fix;

    // ---- A = C + K, each link entered once, from the node with the smaller number ----------
    // A face node's row is a face row: its links to inner nodes are taken from the inner node's
    // row (the same weight, the cells round a link being the same), its own diagonal is replaced
    // by the identity below.
    auto face = [&](int i, int j, int kk)
    { return i == 0 || i == nx || j == 0 || j == ny || kk == 0 || kk == nz; };
    for (int j = 0; j <= ny; j++)
        for (int kk = 0; kk <= nz; kk++)
            for (int i = 0; i <= nx; i++)
            {
                int n = node(i, j, kk);
                if (face(i, j, kk))
                {
                    A->insertEntry(n, n, 1.0);
                    if (i != nx && !face(i + 1, j, kk))
                        A->insertEntry(n, n + 1, -coef[coef_id[n + 1]][0]);
                    if (kk != nz && !face(i, j, kk + 1))
                        A->insertEntry(n, n + X, -coef[coef_id[n + X]][2]);
                    if (j != ny && !face(i, j + 1, kk))
                        A->insertEntry(n, n + P, -coef[coef_id[n + P]][1]);
                    continue;
                }
                const double* c = coef[coef_id[n]];
                A->insertEntry(n, n, c[3] + c[7] * s);
                if (i != nx && n < n_nodes - 1)
                    A->insertEntry(n, n + 1, -c[4]);
                if (kk != nz && n < n_nodes - X)
                    A->insertEntry(n, n + X, -c[6]);
                if (j != ny && n < n_nodes - P)
                    A->insertEntry(n, n + P, -c[5]);
            }
    A->sort();

    // ---- first right-hand side (C - K)*T + 2*Q at the inner nodes --------------------------
    for (int j = 1; j <= ny - 1; j++)
        for (int kk = 1; kk <= nz - 1; kk++)
            for (int i = 1; i <= nx - 1; i++)
            {
                int n = node(i, j, kk);
                const double* c = coef[coef_id[n]];
                // 2*Q as ((q + q)*dx^2)/k
                rhs[n] =
                    cn::inner_terms(c, T, n, X, P, n_nodes, s) + (power[n] + power[n]) * dx2 / k;
            }

    // Face nodes in the order that fixes the rounding of the moved terms: the faces j = 0 and
    // j = ny; then per inner j the nodes k = 0 and k = nz of every i, then i = 0 and i = nx of
    // every inner k.
    std::vector<int> faces;
    for (int i = 0; i <= nx; i++)
        for (int kk = 0; kk <= nz; kk++)
        {
            faces.push_back(node(i, 0, kk));
            faces.push_back(node(i, ny, kk));
        }
    for (int j = 1; j <= ny - 1; j++)
    {
        for (int i = 0; i <= nx; i++)
        {
            faces.push_back(node(i, j, 0));
            faces.push_back(node(i, j, nz));
        }
        for (int kk = 1; kk <= nz - 1; kk++)
        {
            faces.push_back(node(0, j, kk));
            faces.push_back(node(nx, j, kk));
        }
    }

    // ---- the new-temperature half of a fixed neighbour moves to the right-hand side --------
    // (a number such as b - 1 of a node with i = 0 lies on another grid line: A holds no entry
    // for that pair, so it moves 0.0)
    for (int b : faces)
    {
        const int m_of[6] = {b - P, b - X, b - 1, b + 1, b + X, b + P};
        for (int m : m_of)
            if (m >= 0 && m < n_nodes)
                rhs[m] = rhs[m] - A->getEntry(m, b) * T[b];
    }
    // ---- only then: face rows and columns of the identity, rhs = the fixed value -----------
    for (int b : faces)
    {
        rhs[b] = T[b];
        A->modifyEntry(b, b, 1.0);
        const int m_of[6] = {b - P, b - X, b - 1, b + 1, b + X, b + P};
        for (int m : m_of)
            if (m >= 0 && m < n_nodes)
                A->deleteEntry(m, b);
    }
}

void TScn::advance_fixed(const double* d)
{
    const double s = ry + 1.0 + rz;
    const int X = nx + 1;
    const int P = (nx + 1) * (nz + 1);
    // the source and the moved fixed terms stay as they are; the face entries keep 83.0
    for (int j = 1; j <= ny - 1; j++)
        for (int kk = 1; kk <= nz - 1; kk++)
            for (int i = 1; i <= nx - 1; i++)
            {
                int n = node(i, j, kk);
                const double* c = coef[coef_id[n]];
                rhs[n] = rhs[n] + cn::inner_terms(c, d, n, X, P, n_nodes, s);
            }
}
