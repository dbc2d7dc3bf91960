# bench/layered_chip.sh: sourced by the run-time scripts. layered_chip_dat N STEPS writes, on
# standard output, the data file of a layered chip of N x N x 49 intervals (10 um spacing, dt
# 1e-4 s): a silicon die with an active layer and a metal layer in its table, convection on every
# face, the probe at the middle of the active layer, one cut plane (z = 40, plane.txt).
layered_chip_dat()
{
    local n="$1" steps="$2"
    echo "$steps"
    echo "$n $n 49"
    echo "1e-5 1e-5 1e-5"
    echo "1e-4"
    echo "25.0"
    echo "1e3 1e3 1e3 1e3 1e4 1e4"
    echo "SI 131 2329 700"
    echo "POLY 30 2330 700"
    echo "ACTIVE 150 2400 800"
    echo "OXIDE 1.4 2200 730"
    echo "M1 120 4500 560"
    echo "M2 120 4500 560"
    echo "M3 120 4500 560"
    echo "M4 120 4500 560"
    echo "AL 237 2700 900"
    echo "CU 398 8960 385"
    echo "SI"
    echo "$((n / 2)) $((n / 2)) 40"
    echo "1"
    echo "z 40 plane.txt"
}
