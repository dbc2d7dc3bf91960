// tests/test_materials.cpp: the property fits of mp: samples, every piece bound, range ends, NaN
#include "materials/mp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace
{

const double none = std::numeric_limits<double>::quiet_NaN();   // a term the piece lacks
const double inf = std::numeric_limits<double>::infinity();

// One piece as published: bounds, then c4, c3, c2, c1, c0 (none where the table has a dash).
struct Piece
{
    double lo, hi, c4, c3, c2, c1, c0;
};

// One fit: its member function and its pieces in increasing T, copied from the published table
// independently of the library's own copy, so that a mistyped coefficient shows as a mismatch.
struct Fit
{
    const char* name;
    double (mp::*f)(double) const;
    std::vector<Piece> pieces;
};

const std::vector<Fit> fits = {
    {"thermal_cond_Si_solid", &mp::thermal_cond_Si_solid,
     {{0, 8, -0.36625, 6.2219, -6.0804, 5.3473, none},
      {8, 35, 0.020283, -1.5958, 29.818, 202.33, -1485.7},
      {35, 100, none, -0.010553, 2.8346, -277, 10774},
      {100, 273, 1.6078e-6, -0.0014695, 0.50619, -79.311, 5061.9},
      {273, 1000, 1.749e-9, -5.1536e-6, 0.0056735, -2.8569, 619.57},
      {1000, 1685, none, -3.1736e-8, 0.00015056, -0.24243, 154.74}}},
    {"specific_heat_Si_solid", &mp::specific_heat_Si_solid,
     {{293, 700, none, 1.976362e-6, -0.003766786, 2.622954, 214.9586},
      {700, 1685, none, none, -3.377784e-5, 0.2388945, 732.4063}}},
    {"density_Si_solid", &mp::density_Si_solid,
     {{0, 100, none, none, 2.434459e-5, -0.0007221937, 2327.507},
      {100, 650, -8.28988e-11, 1.732096e-7, -0.0001408205, 0.02795607, 2330.117},
      {650, 1600, none, none, -2.626214e-6, -0.02470633, 2338.773}}},
    {"thermal_cond_SiO2_crystalline_poly", &mp::thermal_cond_SiO2_crystalline_poly,
     {{0, 9, -1.199911, 19.53627, -11.39, 14.09107, none},
      {9, 15, none, 18.15548, -758.3189, 10038.17, -36587.12},
      {15, 50, 0.007867883, -1.234059, 73.04062, -1972.409, 21549.17},
      {50, 100, 5.412905e-5, -0.01854188, 2.424245, -146.5192, 3682.653},
      {100, 350, 6.810394e-8, -7.425809e-5, 0.03064677, -5.861289, 491.8123},
      {350, 800, none, -1.376852e-7, 0.0003326693, -0.2768699, 94.65809}}},
    {"specific_heat_SiO2_crystalline_solid", &mp::specific_heat_SiO2_crystalline_solid,
     {{293, 847, none, 6.747911e-6, -0.01300075, 10.07911, -236.7749},
      {847, 1079, none, none, 1.72769e-6, 0.4001419, 2368.285},
      {1079, 1996, none, none, -0.0001068386, 0.4856094, 2439.358}}},
    {"density_SiO2_crystalline_solid", &mp::density_SiO2_crystalline_solid,
     {{50, 850, 1.245556e-11, -8.862075e-8, -0.0001367265, -0.06784435, 5268.514},
      {850, 1050, none, none, none, 1.975381e-5, 5064.086}}},
    {"thermal_cond_Al_solid105nm_thin_film", &mp::thermal_cond_Al_solid105nm_thin_film,
     {{293, 600, none, none, none, -0.08, 200}}},
    {"thermal_cond_Al_solidbulk", &mp::thermal_cond_Al_solidbulk,
     {{0, 14, 2.0083, -55.123, 195.48, 3910.4, none},
      {14, 50, none, -0.44781, 60.69, -2856.3, 48236},
      {50, 100, 0.00027083, -0.093269, 12.157, -717.73, 16689},
      {100, 300, none, -2.4711e-5, 0.018278, -4.4257, 585.98},
      {300, 933, -5.1884e-10, 1.4582e-6, -0.001531, 0.65176, 144.3}}},
    {"specific_heat_Al_solid", &mp::specific_heat_Al_solid,
     {{293, 933, none, 1.463317e-6, -0.00237437, 1.677832, 572.1454}}},
    {"density_Al_solid", &mp::density_Al_solid,
     {{5, 900, -3.254592e-10, 6.774896e-7, -0.0005556653, -0.0036846, 2734.164}}},
    {"thermal_cond_Cu_solid300nm_thin_film", &mp::thermal_cond_Cu_solid300nm_thin_film,
     {{100, 300, none, -7.062428e-6, 0.006224168, -1.860341, 504.4357},
      {300, 475, none, none, -0.0002169443, 0.1293918, 296.6006}}},
    {"thermal_cond_Cu_solidbulk", &mp::thermal_cond_Cu_solidbulk,
     {{0, 14, 1.2287, -39.126, 208.89, 2554.3, none},
      {14, 50, none, -0.34057, 49.077, -2415.5, 41888},
      {50, 100, 0.00018958, -0.065514, 8.6048, -514.43, 12433},
      {100, 300, none, -2.3097e-5, 0.016823, -4.1538, 752.68},
      {300, 1356, none, none, -2.0084e-5, -0.030779, 408.17}}},
    {"specific_heat_Cu_solid", &mp::specific_heat_Cu_solid,
     {{1, 18, 2.246429e-5, 0.0002847033, 0.003441219, 0.00104457, 0.008168055},
      {18, 60, 3.010206e-7, -0.001048364, 0.1540539, -3.767169, 29.05972},
      {60, 300, -1.357031e-7, 0.0001291112, -0.04732108, 8.236392, -215.2814},
      {300, 1300, 1.140747e-10, -1.971221e-7, 5.535252e-5, 0.1338348, 342.764}}},
    {"density_Cu_solid", &mp::density_Cu_solid,
     {{75, 1300, none, 1.63583e-8, -0.0001356504, -0.3514654, 9071.739}}},
};

// The piece's polynomial in the fixed order: terms ((T*ck)*T)*T..., present ones added from c4
// down to c0, the first present term starting the sum.
double reference(const Piece& p, double T)
{
    const double c[5] = {p.c4, p.c3, p.c2, p.c1, p.c0};
    const double term[5] = {(((T * p.c4) * T) * T) * T, ((T * p.c3) * T) * T, (T * p.c2) * T,
                            T * p.c1, p.c0};
    double sum = 0.0;
    bool started = false;
    for (int n = 0; n < 5; ++n)
    {
        if (!std::isnan(c[n]))
        {
            sum = started ? sum + term[n] : term[n];
            started = true;
        }
    }
    return sum;
}

double eval(const Fit& fit, double T)
{
    return (mp().*fit.f)(T);
}

}  // namespace

// Values quoted with the fits: Si at room temperature, the Al film at 300 K, Si at 0 K.
TEST(Mp, SampleValues)
{
    mp m;
    EXPECT_NEAR(148.13, m.thermal_cond_Si_solid(300), 0.005);
    EXPECT_NEAR(716, m.specific_heat_Si_solid(300), 0.5);
    EXPECT_NEAR(2330, m.density_Si_solid(300), 0.5);
    EXPECT_EQ(300.0 * -0.08 + 200, m.thermal_cond_Al_solid105nm_thin_film(300));
    EXPECT_NEAR(176, m.thermal_cond_Al_solid105nm_thin_film(300), 1e-12);
    EXPECT_EQ(0.0, m.thermal_cond_Si_solid(0));
}

// At a shared bound the lower piece applies: Si at 273 K and bulk Cu at 300 K (396.99, not the
// upper piece's 397.13).
TEST(Mp, SharedBoundTakesLowerPiece)
{
    mp m;
    EXPECT_EQ(reference(fits[0].pieces[3], 273), m.thermal_cond_Si_solid(273));
    EXPECT_NEAR(396.99, m.thermal_cond_Cu_solidbulk(300), 0.005);
    EXPECT_NEAR(397.13, reference(fits[11].pieces[4], 300), 0.005);
}

// Every piece, exactly, at its upper bound (which it owns) and at its midpoint; the first piece
// also at its lower bound; a shared bound never gives the upper piece's value.
TEST(Mp, EveryPieceOwnsItsUpperBound)
{
    for (const Fit& fit : fits)
    {
        const std::vector<Piece>& p = fit.pieces;
        EXPECT_EQ(reference(p[0], p[0].lo), eval(fit, p[0].lo)) << fit.name;
        for (std::size_t i = 0; i < p.size(); ++i)
        {
            const double mid = 0.5 * (p[i].lo + p[i].hi);
            EXPECT_EQ(reference(p[i], mid), eval(fit, mid)) << fit.name << " at " << mid;
            const double hi = p[i].hi;
            EXPECT_EQ(reference(p[i], hi), eval(fit, hi)) << fit.name << " at " << hi;
            if (i + 1 < p.size())
            {
                EXPECT_NE(reference(p[i + 1], hi), eval(fit, hi)) << fit.name << " at " << hi;
            }
        }
    }
}

// The next double above a shared bound already belongs to the upper piece.
TEST(Mp, UpperPieceStartsJustAboveBound)
{
    for (const Fit& fit : fits)
    {
        const std::vector<Piece>& p = fit.pieces;
        for (std::size_t i = 1; i < p.size(); ++i)
        {
            const double T = std::nextafter(p[i].lo, inf);
            EXPECT_EQ(reference(p[i], T), eval(fit, T)) << fit.name << " above " << p[i].lo;
        }
    }
}

// Just below the lowest bound, just above the highest, infinities and NaN all give 1e100.
TEST(Mp, OutsideRangeIsMarked)
{
    for (const Fit& fit : fits)
    {
        const double lo = fit.pieces.front().lo;
        const double hi = fit.pieces.back().hi;
        EXPECT_EQ(1e100, eval(fit, std::nextafter(lo, -inf))) << fit.name;
        EXPECT_EQ(1e100, eval(fit, std::nextafter(hi, inf))) << fit.name;
        EXPECT_EQ(1e100, eval(fit, -inf)) << fit.name;
        EXPECT_EQ(1e100, eval(fit, inf)) << fit.name;
        EXPECT_EQ(1e100, eval(fit, none)) << fit.name;
    }
    mp m;
    EXPECT_EQ(1e100, m.thermal_cond_Si_solid(-1));
    EXPECT_EQ(1e100, m.thermal_cond_Si_solid(1686));
    EXPECT_EQ(1e100, m.density_Cu_solid(74));
    EXPECT_EQ(1e100, m.density_Cu_solid(1301));
    EXPECT_EQ(mp_out_of_range, 1e100);
}
