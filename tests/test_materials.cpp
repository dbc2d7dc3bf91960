// tests/test_materials.cpp: the property fits of mp: samples, every piece bound, range ends, NaN
#include "materials/mp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

const double inf = std::numeric_limits<double>::infinity();

// One fit: its member function, the ends of its range and the bounds its pieces share.
struct Fit
{
    const char* name;
    double (mp::*f)(double) const;
    double lowest, highest;
    std::vector<double> inner;
};

// The first two members of a Fit: the function's name and its member pointer.
#define FIT(f) #f, &mp::f

const std::vector<Fit> fits = {
    {FIT(thermal_cond_Si_solid), 0, 1685, {8, 35, 100, 273, 1000}},
    {FIT(specific_heat_Si_solid), 293, 1685, {700}},
    {FIT(density_Si_solid), 0, 1600, {100, 650}},
    {FIT(thermal_cond_SiO2_crystalline_poly), 0, 800, {9, 15, 50, 100, 350}},
    {FIT(specific_heat_SiO2_crystalline_solid), 293, 1996, {847, 1079}},
    {FIT(density_SiO2_crystalline_solid), 50, 1050, {850}},
    {FIT(thermal_cond_Al_solid105nm_thin_film), 293, 600, {}},
    {FIT(thermal_cond_Al_solidbulk), 0, 933, {14, 50, 100, 300}},
    {FIT(specific_heat_Al_solid), 293, 933, {}},
    {FIT(density_Al_solid), 5, 900, {}},
    {FIT(thermal_cond_Cu_solid300nm_thin_film), 100, 475, {300}},
    {FIT(thermal_cond_Cu_solidbulk), 0, 1356, {14, 50, 100, 300}},
    {FIT(specific_heat_Cu_solid), 1, 1300, {18, 60, 300}},
    {FIT(density_Cu_solid), 75, 1300, {}},
};

// The fit's function at T.
double eval(const Fit& fit, double T)
{
    return (mp().*fit.f)(T);
}

// |a - b| relative to |a|.
double rel(double a, double b)
{
    return std::fabs(a - b) / std::fabs(a);
}

} // namespace

// Values quoted with the fits: Si at room temperature and at 0 K, the Al film at 300 K.
TEST(Mp, SampleValues)
{
    mp m;
    EXPECT_NEAR(148.13, m.thermal_cond_Si_solid(300), 0.005);
    EXPECT_NEAR(716, m.specific_heat_Si_solid(300), 0.5);
    EXPECT_NEAR(2330, m.density_Si_solid(300), 0.5);
    EXPECT_EQ(176.0, m.thermal_cond_Al_solid105nm_thin_film(300));
    EXPECT_EQ(0.0, m.thermal_cond_Si_solid(0));
}

// At every shared bound b the lower piece applies: f(b) continues the values just below b (to
// rounding, < 1e-12 relative), while just above b the upper piece jumps away (> 1e-6 relative,
// the smallest jump being 7e-6). Bulk Cu at 300 K gives 396.99, not the upper piece's 397.13.
TEST(Mp, SharedBoundTakesLowerPiece)
{
    for (const Fit& fit : fits)
        for (double b : fit.inner)
        {
            const double at = eval(fit, b);
            EXPECT_LT(rel(at, eval(fit, std::nextafter(b, -inf))), 1e-12) << fit.name << " " << b;
            EXPECT_GT(rel(at, eval(fit, std::nextafter(b, inf))), 1e-6) << fit.name << " " << b;
        }
    mp m;
    EXPECT_NEAR(396.99, m.thermal_cond_Cu_solidbulk(300), 0.005);
    EXPECT_NEAR(397.13, m.thermal_cond_Cu_solidbulk(std::nextafter(300.0, inf)), 0.005);
}

// Both range ends are inside; just below the lowest, just above the highest, the infinities and
// NaN all give 1e100.
TEST(Mp, OutsideRangeIsMarked)
{
    EXPECT_EQ(1e100, mp_out_of_range);
    for (const Fit& fit : fits)
    {
        EXPECT_NE(1e100, eval(fit, fit.lowest)) << fit.name;
        EXPECT_NE(1e100, eval(fit, fit.highest)) << fit.name;
        const double outside[] = {std::nextafter(fit.lowest, -inf),
                                  std::nextafter(fit.highest, inf), -inf, inf, std::nan("")};
        for (double T : outside)
            EXPECT_EQ(1e100, eval(fit, T)) << fit.name << " at " << T;
    }
}
