// materials/mp.h: temperature-dependent thermal properties of Si, SiO2, Al and Cu (class mp)
#ifndef MATERIALS_MP_H
#define MATERIALS_MP_H

// mp gathers piecewise polynomial fits of thermal conductivity, specific heat and density in the
// absolute temperature T (kelvin). Results are SI: W/(m K), J/(kg K), kg/m^3. The class has no
// state; any object, or a temporary mp(), serves.
//
// Each fit is a list of pieces in increasing T: the first is closed, [a, b], every later one
// (b, c] excludes its lower bound, so a shared bound belongs to the lower piece. Within a piece
// the result is c4 T^4 + c3 T^3 + c2 T^2 + c1 T + c0, some terms absent. The evaluation order
// is fixed so that results repeat bit for bit: term k is ((T*ck)*T)*T... with k factors of T,
// and the present terms are added from the highest power down to the constant, left to right.
//
// A T below the first piece, above the last piece, or NaN gives mp_out_of_range.

// Marks an argument outside the fitted range: the double nearest 10^100.
constexpr double mp_out_of_range = 1e100;

class mp
{
public:
    // ---- silicon -----------------------------------------------------------------------------
    // Thermal conductivity, W/(m K), for 0 <= T <= 1685.
    double thermal_cond_Si_solid(double T) const;
    // Specific heat, J/(kg K), for 293 <= T <= 1685.
    double specific_heat_Si_solid(double T) const;
    // Density, kg/m^3, for 0 <= T <= 1600.
    double density_Si_solid(double T) const;

    // ---- silicon dioxide ---------------------------------------------------------------------
    // Thermal conductivity, W/(m K), for 0 <= T <= 800.
    double thermal_cond_SiO2_crystalline_poly(double T) const;
    // Specific heat, J/(kg K), for 293 <= T <= 1996.
    double specific_heat_SiO2_crystalline_solid(double T) const;
    // Density, kg/m^3, for 50 <= T <= 1050.
    double density_SiO2_crystalline_solid(double T) const;

    // ---- aluminium ---------------------------------------------------------------------------
    // Thermal conductivity of a 105 nm film, W/(m K), for 293 <= T <= 600.
    double thermal_cond_Al_solid105nm_thin_film(double T) const;
    // Thermal conductivity of bulk metal, W/(m K), for 0 <= T <= 933.
    double thermal_cond_Al_solidbulk(double T) const;
    // Specific heat, J/(kg K), for 293 <= T <= 933.
    double specific_heat_Al_solid(double T) const;
    // Density, kg/m^3, for 5 <= T <= 900.
    double density_Al_solid(double T) const;

    // ---- copper ------------------------------------------------------------------------------
    // Thermal conductivity of a 300 nm film, W/(m K), for 100 <= T <= 475.
    double thermal_cond_Cu_solid300nm_thin_film(double T) const;
    // Thermal conductivity of bulk metal, W/(m K), for 0 <= T <= 1356.
    double thermal_cond_Cu_solidbulk(double T) const;
    // Specific heat, J/(kg K), for 1 <= T <= 1300.
    double specific_heat_Cu_solid(double T) const;
    // Density, kg/m^3, for 75 <= T <= 1300.
    double density_Cu_solid(double T) const;
};

#endif
