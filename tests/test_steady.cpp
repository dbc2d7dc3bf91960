// tests/test_steady.cpp: the steady solve against an analytic slab and a long transient run; its
// refusals
#include "adi/TSdg_steady.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{

// Blocks of four materials touching each other and five faces, power in two of them.
const char* touching = "a 0 0 0 3 5 2 ACTIVE 4e11\nb 3 0 0 6 5 2 CU 0\nc 0 0 2 6 5 3 OXIDE 0\n"
                       "d 2 1 3 6 4 4 M1 2e11\n";

// r is a refusal or a failure whose message holds every one of texts.
void expect_failure(const adi::SteadyResult& r, std::initializer_list<const char*> texts)
{
    EXPECT_FALSE(r.converged);
    for (const char* x : texts)
        EXPECT_NE(std::string::npos, r.error.find(x)) << r.error;
}

} // namespace

// One block filling the grid, h only on the two z faces (different): the node temperatures are
// those of the parabola T = a + b z - q z^2/(2 k) with the two convection conditions, which the
// node equations hold exactly.
TEST(Steady, AnalyticSlab)
{
    ScratchDir dir;
    DataText t;
    t.grid = "3 2 24";
    t.spacing = "2e-4 3e-4 2e-5";
    t.h = "0 0 0 0 3e4 8e3";
    std::unique_ptr<TSdg> s = read_model(t, "slab 0 0 0 3 2 24 ACTIVE 3e10\n");
    adi::SteadyResult r = adi::solve_steady(*s);
    ASSERT_TRUE(r.converged) << r.error;
    const double q = 3e10, k = 150.0, L = 24 * 2e-5, h0 = 8e3, hL = 3e4;
    // k b = h0 (a - Ta);  -k (b - q L/k) = hL (a - Ta + b L - q L^2/(2k))
    const double a = (q * L + hL * (q * L * L / (2 * k))) / (h0 + hL + h0 * hL * L / k); // a - Ta
    const double b = h0 * a / k;
    double worst = 0.0, top = 0.0;
    for (int p = 0; p < s->n_nodes; p++)
    {
        double z = p % (s->nz + 1) * s->dz, exact = a + b * z - q * z * z / (2 * k);
        worst = std::max(worst, std::fabs(s->T[0][0][p] - s->T_amb - exact));
        top = std::max(top, std::fabs(exact));
    }
    EXPECT_LT(worst / top, 1e-9) << "largest rise " << top;
    EXPECT_LE(r.residual, 1e-10);
}

// A transient run of the same model, long enough to settle (over 100 of its slowest time
// constants), ends where the steady solve puts it; --from-steady's start stays there.
TEST(Steady, LongTransient)
{
    ScratchDir dir;
    DataText t;
    t.grid = "6 5 4";
    t.h = "2e4 3e4 4e4 5e4 6e4 7e4";
    std::unique_ptr<TSdg> s = read_model(t, touching);
    adi::SteadyResult r = adi::solve_steady(*s);
    ASSERT_TRUE(r.converged) << r.error;
    std::vector<double> steady = field(*s);
    std::unique_ptr<TSdg> run = read_model(t, touching);
    run->n_steps = 6000;
    run->dt = 1e-3;
    s->n_steps = 50; // steps from the steady state move it by rounding only
    CoutCapture quiet;
    ASSERT_EQ(0, run->Dauglas_Gunn_Convection());
    ASSERT_EQ(0, s->Dauglas_Gunn_Convection());
    double rise = *std::max_element(steady.begin(), steady.end()) - s->T_amb;
    EXPECT_LT(max_difference(field(*run), steady), 1e-7) << "largest rise " << rise;
    EXPECT_GT(rise, 1.0);
    EXPECT_LE(max_difference(field(*s), steady), 1e-9);
}

// Power with no heat path is refused before iterating, both when every h is 0 and when material
// of zero conductivity seals a powered block in; nodes sealed in without power stay at T_amb. A
// solve stopped before the tolerance says what it reached and does not claim convergence.
TEST(Steady, RefusalsAndNonConvergence)
{
    ScratchDir dir;
    DataText t;
    t.h = "0 0 0 0 0 0";
    std::unique_ptr<TSdg> s = read_model(t, "hot 1 1 1 3 3 3 ACTIVE 1e9\n");
    adi::SteadyResult r = adi::solve_steady(*s);
    expect_failure(r, {"no heat path to the ambient", "every face has h = 0",
                       "27 nodes with power (0.008 W)"});
    EXPECT_EQ(0, r.iterations);
    EXPECT_EQ(25.0, s->T[2][2][2]);

    t = DataText();
    t.grid = "6 6 6";
    t.layers.replace(t.layers.find("OXIDE 1.4"), 9, "OXIDE 0.0");
    const std::string shell = "shell 1 1 1 5 5 5 OXIDE 0\n";
    s = read_model(t, shell + "hot 2 2 2 4 4 4 ACTIVE 1e9\n");
    expect_failure(adi::solve_steady(*s), {"27 nodes with power (0.008 W)", "zero conductivity"});

    s = read_model(t, shell + "hot 0 0 0 1 1 1 ACTIVE 1e12\n");
    r = adi::solve_steady(*s);
    ASSERT_TRUE(r.converged) << r.error;
    EXPECT_EQ(25.0, s->T[3][3][3]); // all eight cells round it conduct nothing
    EXPECT_GT(s->T[0][0][0], 26.0);
    EXPECT_LT(std::fabs(r.balance()), 1e-9);

    t = DataText();
    t.grid = "6 5 4";
    s = read_model(t, touching);
    adi::SteadyOptions o;
    o.max_iterations = 2;
    r = adi::solve_steady(*s, o);
    expect_failure(r, {"did not converge: relative residual", "after 2 iterations"});
    EXPECT_GT(r.residual, 1e-10);

    // rows of the older assignment have no symmetric steady operator
    s = read_model(t, touching);
    s->legacy_rows = true;
    s->read_geometry("chip.in");
    expect_failure(adi::solve_steady(*s), {"--legacy-rows"});
}
