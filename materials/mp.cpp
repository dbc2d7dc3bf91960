// materials/mp.cpp: coefficient tables of the property fits of mp and their one evaluator
#include "materials/mp.h"

#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>

// Every fit is one table of pieces, listed in increasing T exactly as published: bounds, then the
// coefficients c4, c3, c2, c1, c0. A term the fit does not have is written `absent` (a NaN, which
// no real coefficient is); it is skipped, not added as zero, so the sum starts at the highest
// present term. The member functions only pick their table.

namespace
{

// Marks a term that is not part of a piece's polynomial.
constexpr double absent = std::numeric_limits<double>::quiet_NaN();

struct Piece
{
    double lo;   // lower bound, K: included for the first piece of a table, excluded otherwise
    double hi;   // upper bound, K: always included
    double c[5]; // c4, c3, c2, c1, c0 (coefficient of T^(4-n) in c[n]); absent where missing
};

// ---- silicon ---------------------------------------------------------------------------------

const Piece k_Si[] = {
    {0, 8, {-0.36625, 6.2219, -6.0804, 5.3473, absent}},
    {8, 35, {0.020283, -1.5958, 29.818, 202.33, -1485.7}},
    {35, 100, {absent, -0.010553, 2.8346, -277, 10774}},
    {100, 273, {1.6078e-6, -0.0014695, 0.50619, -79.311, 5061.9}},
    {273, 1000, {1.749e-9, -5.1536e-6, 0.0056735, -2.8569, 619.57}},
    {1000, 1685, {absent, -3.1736e-8, 0.00015056, -0.24243, 154.74}},
};

const Piece cp_Si[] = {
    {293, 700, {absent, 1.976362e-6, -0.003766786, 2.622954, 214.9586}},
    {700, 1685, {absent, absent, -3.377784e-5, 0.2388945, 732.4063}},
};

const Piece rho_Si[] = {
    {0, 100, {absent, absent, 2.434459e-5, -0.0007221937, 2327.507}},
    {100, 650, {-8.28988e-11, 1.732096e-7, -0.0001408205, 0.02795607, 2330.117}},
    {650, 1600, {absent, absent, -2.626214e-6, -0.02470633, 2338.773}},
};

// ---- silicon dioxide -------------------------------------------------------------------------

const Piece k_SiO2[] = {
    {0, 9, {-1.199911, 19.53627, -11.39, 14.09107, absent}},
    {9, 15, {absent, 18.15548, -758.3189, 10038.17, -36587.12}},
    {15, 50, {0.007867883, -1.234059, 73.04062, -1972.409, 21549.17}},
    {50, 100, {5.412905e-5, -0.01854188, 2.424245, -146.5192, 3682.653}},
    {100, 350, {6.810394e-8, -7.425809e-5, 0.03064677, -5.861289, 491.8123}},
    {350, 800, {absent, -1.376852e-7, 0.0003326693, -0.2768699, 94.65809}},
};

const Piece cp_SiO2[] = {
    {293, 847, {absent, 6.747911e-6, -0.01300075, 10.07911, -236.7749}},
    {847, 1079, {absent, absent, 1.72769e-6, 0.4001419, 2368.285}},
    {1079, 1996, {absent, absent, -0.0001068386, 0.4856094, 2439.358}},
};

const Piece rho_SiO2[] = {
    {50, 850, {1.245556e-11, -8.862075e-8, -0.0001367265, -0.06784435, 5268.514}},
    {850, 1050, {absent, absent, absent, 1.975381e-5, 5064.086}},
};

// ---- aluminium -------------------------------------------------------------------------------

const Piece k_Al_film[] = {
    {293, 600, {absent, absent, absent, -0.08, 200}},
};

const Piece k_Al_bulk[] = {
    {0, 14, {2.0083, -55.123, 195.48, 3910.4, absent}},
    {14, 50, {absent, -0.44781, 60.69, -2856.3, 48236}},
    {50, 100, {0.00027083, -0.093269, 12.157, -717.73, 16689}},
    {100, 300, {absent, -2.4711e-5, 0.018278, -4.4257, 585.98}},
    {300, 933, {-5.1884e-10, 1.4582e-6, -0.001531, 0.65176, 144.3}},
};

const Piece cp_Al[] = {
    {293, 933, {absent, 1.463317e-6, -0.00237437, 1.677832, 572.1454}},
};

const Piece rho_Al[] = {
    {5, 900, {-3.254592e-10, 6.774896e-7, -0.0005556653, -0.0036846, 2734.164}},
};

// ---- copper ----------------------------------------------------------------------------------

const Piece k_Cu_film[] = {
    {100, 300, {absent, -7.062428e-6, 0.006224168, -1.860341, 504.4357}},
    {300, 475, {absent, absent, -0.0002169443, 0.1293918, 296.6006}},
};

const Piece k_Cu_bulk[] = {
    {0, 14, {1.2287, -39.126, 208.89, 2554.3, absent}},
    {14, 50, {absent, -0.34057, 49.077, -2415.5, 41888}},
    {50, 100, {0.00018958, -0.065514, 8.6048, -514.43, 12433}},
    {100, 300, {absent, -2.3097e-5, 0.016823, -4.1538, 752.68}},
    {300, 1356, {absent, absent, -2.0084e-5, -0.030779, 408.17}},
};

const Piece cp_Cu[] = {
    {1, 18, {2.246429e-5, 0.0002847033, 0.003441219, 0.00104457, 0.008168055}},
    {18, 60, {3.010206e-7, -0.001048364, 0.1540539, -3.767169, 29.05972}},
    {60, 300, {-1.357031e-7, 0.0001291112, -0.04732108, 8.236392, -215.2814}},
    {300, 1300, {1.140747e-10, -1.971221e-7, 5.535252e-5, 0.1338348, 342.764}},
};

const Piece rho_Cu[] = {
    {75, 1300, {absent, 1.63583e-8, -0.0001356504, -0.3514654, 9071.739}},
};

// ---- evaluation ------------------------------------------------------------------------------

// p(T) of one piece, every present term ((T*ck)*T)*T..., summed from the highest power down.
double polynomial(const Piece& p, double T)
{
    double sum = 0.0;
    bool started = false;
    for (int n = 0; n < 5; ++n)
    {
        const double c = p.c[n];
        if (std::isnan(c))
        {
            continue;
        }
        // term of power 4-n: T*c first, then one more factor T per further power
        double term = c;
        if (n < 4)
        {
            term = T * c;
            for (int m = n + 1; m < 4; ++m)
            {
                term = term * T;
            }
        }
        // the first present term starts the sum (0 + term would turn -0 into +0)
        sum = started ? sum + term : term;
        started = true;
    }
    return sum;
}

// The fit of the n pieces in `table` at T; mp_out_of_range outside all of them or for NaN.
double fit(const Piece* table, std::size_t n, double T)
{
    for (std::size_t i = 0; i < n; ++i)
    {
        // [lo, hi] for the first piece, (lo, hi] after it; NaN fails every comparison
        const bool above_lo = i == 0 ? T >= table[i].lo : T > table[i].lo;
        if (above_lo && T <= table[i].hi)
        {
            return polynomial(table[i], T);
        }
    }
    return mp_out_of_range;
}

} // namespace

// ---- silicon ---------------------------------------------------------------------------------

double mp::thermal_cond_Si_solid(double T) const
{
    return fit(k_Si, std::size(k_Si), T);
}

double mp::specific_heat_Si_solid(double T) const
{
    return fit(cp_Si, std::size(cp_Si), T);
}

double mp::density_Si_solid(double T) const
{
    return fit(rho_Si, std::size(rho_Si), T);
}

// ---- silicon dioxide -------------------------------------------------------------------------

double mp::thermal_cond_SiO2_crystalline_poly(double T) const
{
    return fit(k_SiO2, std::size(k_SiO2), T);
}

double mp::specific_heat_SiO2_crystalline_solid(double T) const
{
    return fit(cp_SiO2, std::size(cp_SiO2), T);
}

double mp::density_SiO2_crystalline_solid(double T) const
{
    return fit(rho_SiO2, std::size(rho_SiO2), T);
}

// ---- aluminium -------------------------------------------------------------------------------

double mp::thermal_cond_Al_solid105nm_thin_film(double T) const
{
    return fit(k_Al_film, std::size(k_Al_film), T);
}

double mp::thermal_cond_Al_solidbulk(double T) const
{
    return fit(k_Al_bulk, std::size(k_Al_bulk), T);
}

double mp::specific_heat_Al_solid(double T) const
{
    return fit(cp_Al, std::size(cp_Al), T);
}

double mp::density_Al_solid(double T) const
{
    return fit(rho_Al, std::size(rho_Al), T);
}

// ---- copper ----------------------------------------------------------------------------------

double mp::thermal_cond_Cu_solid300nm_thin_film(double T) const
{
    return fit(k_Cu_film, std::size(k_Cu_film), T);
}

double mp::thermal_cond_Cu_solidbulk(double T) const
{
    return fit(k_Cu_bulk, std::size(k_Cu_bulk), T);
}

double mp::specific_heat_Cu_solid(double T) const
{
    return fit(cp_Cu, std::size(cp_Cu), T);
}

double mp::density_Cu_solid(double T) const
{
    return fit(rho_Cu, std::size(rho_Cu), T);
}
