// tests/test_steady.cpp: the steady solve against an analytic slab, the energy balance, a long
// transient run and a direct Cholesky solve of the same node equations; its refusals
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

// Power in equals heat out: on the shipped example and on blocks that touch each other and the
// faces with six different h; heat out counted here from h and face areas alone.
TEST(Steady, EnergyBalance)
{
    ScratchDir dir;
    std::string ex = std::string(CALEFAX_TEST_DATA) + "/../../examples/";
    std::unique_ptr<TSdg> s(new TSdg((ex + "chip.dat").c_str()));
    s->read_geometry((ex + "chip.in").c_str());
    DataText t;
    t.grid = "6 5 4";
    for (int m = 0; m < 2; m++)
    {
        if (m == 1)
            s = read_model(t, touching);
        adi::SteadyResult r = adi::solve_steady(*s);
        ASSERT_TRUE(r.converged) << r.error;
        if (m == 0) // the example's blocks
        {
            EXPECT_NEAR(5.4, r.power_in, 1e-12);
        }
        EXPECT_LT(std::fabs(r.balance()), 1e-9);
        EXPECT_LT(std::fabs(heat_out(*s) - r.power_in) / r.power_in, 1e-9);
        // the residual it reports is that of the rows, recomputed here
        std::vector<double> res(s->n_nodes);
        adi::Steady st(*s);
        EXPECT_NEAR(r.residual, st.residual(s->T[0][0], res.data()) / st.source_norm(), 1e-14);
    }
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

// The node equations assembled here from the rows as TSdg_equations.h states them (a face row's
// self weight b_share*(b_dx + b_dy + b_dz)), solved by the sparse Cholesky factor: the same
// temperatures. The rows give every link the same weight at both of its nodes (symmetry).
TEST(Steady, DirectSolveAndSymmetry)
{
    ScratchDir dir;
    DataText t;
    t.grid = "6 5 4";
    t.spacing = "2e-4 1e-4 2e-5";
    std::unique_ptr<TSdg> s = read_model(t, touching);
    adi::Steady st(*s); // builds the rows as the run does
    ASSERT_EQ("", st.refusal());
    const int n = s->n_nodes, step[3] = {(s->ny + 1) * (s->nz + 1), s->nz + 1, 1};
    SSMat A(n);
    std::vector<double> rhs(n), up(3 * n); // up: a node's link to its + neighbour on each axis
    double worst_asym = 0.0;
    for (int i = 0, p = 0; i <= s->nx; i++)
        for (int j = 0; j <= s->ny; j++)
            for (int k = 0; k <= s->nz; k++, p++)
            {
                bool inner = i > 0 && i < s->nx && j > 0 && j < s->ny && k > 0 && k < s->nz;
                const double* c =
                    inner ? s->coef[s->coef_id[i][j][k]] : s->face_row(s->coef_id[i][j][k]);
                A.insertEntry(p, p,
                              inner ? c[7] * (1 + s->ry + s->rz) : c[3] * (c[8] + c[9] + c[10]));
                const int at[3] = {i, j, k}, last[3] = {s->nx, s->ny, s->nz};
                for (int a = 0; a < 3; a++)
                {
                    up[3 * p + a] = c[4 + a];
                    if (at[a] < last[a])
                        A.insertEntry(p, p + step[a], -c[4 + a]);
                    else
                        EXPECT_EQ(0.0, c[4 + a]);
                    double u = at[a] > 0 ? up[3 * (p - step[a]) + a] : 0.0;
                    if (u != 0.0)
                        worst_asym = std::max(worst_asym, std::fabs(u - c[a]) / u);
                }
                rhs[p] = s->power[i][j][k] * s->dx * s->dx / s->k;
            }
    EXPECT_LT(worst_asym, 1e-14);
    A.sort();
    std::unique_ptr<SSMat> U(A.cholesky());
    ASSERT_TRUE(U);
    std::vector<double> u(n), y(n);
    U->solveLUxb(u.data(), rhs.data(), y.data());
    adi::SteadyResult r = st.solve();
    ASSERT_TRUE(r.converged) << r.error;
    std::vector<double> rise = field(*s);
    for (double& x : rise)
        x -= s->T_amb;
    EXPECT_LT(max_difference(rise, u) / max_difference(u, std::vector<double>(n)), 1e-9);
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
