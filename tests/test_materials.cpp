// tests/test_materials.cpp: the property fits of mp: sample values, shared piece bounds, range ends
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "materials/mp.h"

// Values quoted with the fits; bulk Cu at its bound 300 K takes the lower piece (not 397.13).
TEST(Mp, SampleValues)
{
    EXPECT_NEAR(148.13, mp().thermal_cond_Si_solid(300), 0.005);
    EXPECT_NEAR(716, mp().specific_heat_Si_solid(300), 0.5);
    EXPECT_EQ(176.0, mp().thermal_cond_Al_solid105nm_thin_film(300));
    EXPECT_EQ(0.0, mp().thermal_cond_Si_solid(0));
    EXPECT_NEAR(396.99, mp().thermal_cond_Cu_solidbulk(300), 0.005);
}

// check(fit, lo, hi, bounds): at each piece bound the lower piece applies (continuous from below,
// a relative jump > 1e-6 above); a value iff lo <= T <= hi, else 1e100 (NaN and +-inf included).
TEST(Mp, PieceBoundsAndRangeEnds)
{
    auto check = [](const char* name, double (mp::*fp)(double) const, double lo, double hi,
                    std::vector<double> bounds)
    {
        SCOPED_TRACE(name);
        auto f = [&](double T) { return (mp().*fp)(T); };
        for (double b : bounds)
            EXPECT_TRUE(std::fabs(f(std::nextafter(b, -HUGE_VAL)) / f(b) - 1) < 1e-12 &&
                        std::fabs(f(std::nextafter(b, HUGE_VAL)) / f(b) - 1) > 1e-6)
                << b;
        for (double T : {lo, hi, std::nextafter(lo, -HUGE_VAL), std::nextafter(hi, HUGE_VAL),
                         -HUGE_VAL, HUGE_VAL, std::nan("")})
            EXPECT_EQ(T == lo || T == hi, f(T) != 1e100) << T;
    };
#define FIT(f) #f, &mp::f
    check(FIT(thermal_cond_Si_solid), 0, 1685, {8, 35, 100, 273, 1000});
    check(FIT(specific_heat_Si_solid), 293, 1685, {700});
    check(FIT(density_Si_solid), 0, 1600, {100, 650});
    check(FIT(thermal_cond_SiO2_crystalline_poly), 0, 800, {9, 15, 50, 100, 350});
    check(FIT(specific_heat_SiO2_crystalline_solid), 293, 1996, {847, 1079});
    check(FIT(density_SiO2_crystalline_solid), 50, 1050, {850});
    check(FIT(thermal_cond_Al_solid105nm_thin_film), 293, 600, {});
    check(FIT(thermal_cond_Al_solidbulk), 0, 933, {14, 50, 100, 300});
    check(FIT(specific_heat_Al_solid), 293, 933, {});
    check(FIT(density_Al_solid), 5, 900, {});
    check(FIT(thermal_cond_Cu_solid300nm_thin_film), 100, 475, {300});
    check(FIT(thermal_cond_Cu_solidbulk), 0, 1356, {14, 50, 100, 300});
    check(FIT(specific_heat_Cu_solid), 1, 1300, {18, 60, 300});
    check(FIT(density_Cu_solid), 75, 1300, {});
}
