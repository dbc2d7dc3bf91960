// adi/TSdg_sweeps_plan.cpp: what the sweeps work out once per run: the runs of each line, which
// panels and tiles keep the matrix of the one before, the blocks of planes of each thread, the
// line tables of short lines; and their work space
#include "adi/TSdg_sweeps.h"

#include "adi/TSdg_assembly.h"
#include "adi/TSdg_short.h"
#include "adi/field_memory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <omp.h>
#include <string>

namespace adi
{

Sweeps::Sweeps(TSdg& s) : s(s), nx(s.nx), ny(s.ny), nz(s.nz)
{
    sj = nz + 1;
    si = (ptrdiff_t)(ny + 1) * sj;
    size_t nodes = (size_t)(nx + 1) * si;
    const size_t L = (size_t)nz + 1;
    int n = s.threads > 0 ? s.threads : omp_get_max_threads();
    work.resize((size_t)(n > 0 ? n : 1));
    // x panels of about x_lanes lanes; lines as long as that or longer go one plane a panel
    const int x_lanes = 32, m = (int)L < x_lanes ? x_lanes / (int)L : 1;
    const size_t W = (size_t)m * L;
    const int tiles = (ny + z_tile) / z_tile; // tiles of a plane of the z sweep
    z_lanes = (ny + tiles) / tiles;
    for (Work& w : work)
    {
        for (std::vector<double>* v : {&w.xa, &w.xd, &w.xc})
            v->resize((size_t)(nx + 1) * W);
        for (std::vector<double>* v : {&w.ya, &w.yd, &w.yc})
            v->resize((size_t)(ny + 1) * W);
        if (m > 1)
            w.yf.resize((size_t)(ny + 1) * W);
        for (std::vector<double>* v : {&w.za, &w.zd, &w.zc})
            v->resize((size_t)(ny + 1) * L);
        w.zg.resize(z_lanes * L);
        w.zf.resize(z_lanes * L);
        for (std::vector<double>* v : {&w.row_a, &w.row_b, &w.row_c})
            v->resize(W);
    }
    zeros.assign(L, 0.0);
    src = alloc_values<double>(nodes);
    if (!src)
        throw std::bad_alloc();
    const double* q = s.power[0][0];
    for (size_t p = 0; p < nodes; p++)
        src[p] = source_term(q[p]); // faces included
    // Runs of nodes 1..nz-1 of each line sharing a row: inner rows of coef for the lines inside
    // the x and y faces, face rows for the lines on them; a line whose runs are those of the line
    // made before it shares its list. The end nodes k = 0 and k = nz always take face rows.
    const double* coef0 = s.coef[0];
    lines.assign((size_t)(nx + 1) * (ny + 1), Span{0, 0, nullptr, nullptr, nullptr});
    size_t last = 0; // where the list made last begins
    for (int i = 0; i <= nx; i++)
        for (int j = 0; j <= ny; j++)
        {
            const int* id = s.coef_id[i][j];
            const bool face = on_face(i, j, nx, ny);
            size_t begin = runs.size();
            for (int k = 1, e; k < nz; k = e)
            {
                for (e = k + 1; e < nz && id[e] == id[k]; e++)
                    ;
                runs.push_back(Run{e, face ? s.face_row(id[k]) : coef0 + 8 * (ptrdiff_t)id[k]});
            }
            size_t n = runs.size() - begin;
            bool same = begin > 0 && begin - last == n &&
                        std::equal(runs.begin() + begin, runs.end(), runs.begin() + last,
                                   [](const Run& u, const Run& v)
                                   { return u.end == v.end && u.row == v.row; });
            if (same)
                runs.resize(begin);
            else
                last = begin;
            lines[(size_t)i * (ny + 1) + j] =
                Span{(int)last, (int)(last + n), s.face_row(id[0]), s.face_row(id[nz]), nullptr};
        }
    make_tables();
    // Each tile of the z sweep: whether its lines inside the faces are all short lines, whether its
    // lines all have one matrix (lines inside the faces with the same runs, or the same line
    // table).
    z_tiles = (ny + z_lanes) / z_lanes;
    tile_flags.assign((size_t)(nx + 1) * z_tiles, 0);
    for (int i = 0; i <= nx; i++)
        for (int t = 0, j0 = 0; j0 <= ny; t++, j0 += z_lanes)
        {
            const int lanes = std::min(z_lanes, ny + 1 - j0);
            const Span* first = line(i, j0);
            bool all = true, shared = i > 0 && i < nx && j0 > 0 && j0 + lanes - 1 < ny;
            for (int l = 0; l < lanes; l++)
            {
                all = all && (first[l].table || on_face(i, j0 + l, nx, ny));
                shared =
                    shared && ((first[l].begin == first->begin && first[l].end == first->end &&
                                first[l].bottom == first->bottom && first[l].top == first->top) ||
                               (first->table && first[l].table == first->table));
            }
            tile_flags[(size_t)i * z_tiles + t] =
                (all ? tile_short : 0) | (shared ? tile_shared : 0);
        }

    // A panel's matrix is that of the panel before it when both lie inside the faces of the grid
    // and every node of the two planes, faces included, has the same row. Planes 0 and 1 of each
    // sweep are never alike, so every step assembles its first two panels in full and a reused
    // matrix was always built in the same step.
    const int* id = s.coef_id[0][0];
    same_i.resize((size_t)nx + 1);
    for (int i = 0; i <= nx; i++)
        same_i[i] = i >= 2 && i <= nx - 1 &&
                    memcmp(id + i * si, id + (i - 1) * si, sizeof(int) * (size_t)si) == 0;
    for (int t = 0; t < (int)work.size(); t++)
    {
        work[t].x_blocks = blocks<0>(t, m);
        work[t].y_blocks = blocks<1>(t, m);
    }
}

// A block's matrix is that of the block before when both have the same number of planes and lie
// inside the faces (as for same_i), and every node of the two, faces included, has the same row.
template <int Axis> std::vector<Sweeps::Block> Sweeps::blocks(int t, int m) const
{
    const bool X = Axis == 0;
    const int last = X ? ny : nx;
    const int* id = s.coef_id[0][0];
    std::vector<Block> out;
    int a, b;
    share(last + 1, t, (int)work.size(), a, b);
    for (int p0 = a; p0 < b; p0 += m)
    {
        const int p1 = std::min(p0 + m, b), w = p1 - p0;
        bool same =
            p0 > a && p0 - w >= 1 && p1 - 1 <= last - 1 && out.back().p1 - out.back().p0 == w;
        if (X)
            for (int i = 0; same && i <= nx; i++)
                same = memcmp(id + i * si + p0 * sj, id + i * si + (p0 - w) * sj,
                              sizeof(int) * (size_t)(w * sj)) == 0;
        else
            same = same &&
                   memcmp(id + p0 * si, id + (p0 - w) * si, sizeof(int) * (size_t)(w * si)) == 0;
        out.push_back(Block{p0, p1, same});
    }
    return out;
}

// The line tables of the short lines inside the faces: lines with the same rows share one, and
// once the tables hold table_values values, the lines left keep the run-by-run assembly.
void Sweeps::make_tables()
{
    const int L = nz + 1;
    if (nz < 1 || L > short_line)
        return;
    const size_t size = (size_t)line_slots * L;
    std::map<std::string, size_t> made; // a table's bytes, where it is
    std::vector<size_t> at(lines.size(), SIZE_MAX);
    std::vector<double> E(size);
    for (int i = 1; i < nx; i++)
        for (int j = 1; j < ny; j++)
        {
            const size_t n = (size_t)i * (ny + 1) + j;
            const Span& l = lines[n];
            if (j > 1 && lines[n - 1].begin == l.begin && lines[n - 1].end == l.end &&
                lines[n - 1].bottom == l.bottom && lines[n - 1].top == l.top)
            {
                at[n] = at[n - 1]; // the same runs and end rows as the line before
                continue;
            }
            std::fill(E.begin(), E.end(), 0.0);
            auto put = [&](int k, const double* row, int slots)
            {
                for (int q = 0; q < slots; q++)
                    E[q * L + k] = row[q];
            };
            put(0, l.bottom, line_slots);
            put(nz, l.top, line_slots);
            fill_rows(first_run(&l), last_run(&l), [&](int k, const double* c) { put(k, c, 8); });
            std::string key((const char*)E.data(), sizeof(double) * size);
            auto found = made.find(key);
            if (found != made.end())
                at[n] = found->second;
            else if (tables.size() + size <= table_values)
            {
                made[key] = at[n] = tables.size();
                tables.insert(tables.end(), E.begin(), E.end());
            }
        }
    for (size_t n = 0; n < lines.size(); n++)
        if (at[n] != SIZE_MAX)
            lines[n].table = tables.data() + at[n];
}

Sweeps::~Sweeps()
{
    free_values(src);
}

} // namespace adi
