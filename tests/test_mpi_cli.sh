#!/usr/bin/env bash
# tests/test_mpi_cli.sh MPI_RUN CALEFAX_MPI CALEFAX EXAMPLES: calefax-mpi as a user runs it, on
# the shipped example, against Calefax: the same result files, the same rejection lines, and
# no earlier result file lost to a rejected run.
set -uo pipefail
run="$1" mpi="$2" calefax="$3" examples="$4"
dir=$(mktemp -d /tmp/calefax-mpi-cli-XXXXXX)
trap 'rm -rf "$dir"' EXIT
fail=0
check() { "${@:2}" || { echo "FAIL: $1"; fail=1; }; } # MESSAGE CONDITION...
same_files() # DIR1 DIR2 FILES...
{
    for f in "${@:3}"; do cmp -s "$1/$f" "$2/$f" || { echo "  $f differs"; return 1; }; done
}
planes=(active_z8.txt cut_x8.txt cut_y8.txt)
mkdir "$dir/ref" "$dir/p2" "$dir/t1" "$dir/t2" "$dir/bad"

# steady state on 2 processes: the result files of Calefax --steady, as written (6 digits)
(cd "$dir/ref" && "$calefax" "$examples/chip.dat" "$examples/chip.in" --steady >out 2>err)
(cd "$dir/p2" && "$run" 2 "$mpi" --steady "$examples/chip.dat" "$examples/chip.in" >out 2>err)
check "steady run exits 0" test $? -eq 0
check "steady result files as Calefax --steady writes them" \
    same_files "$dir/ref" "$dir/p2" Calefax_steady.txt "${planes[@]}"

# transient: 1 and 2 processes write the same probe history (5 steps) and planes
for np in 1 2; do
    (cd "$dir/t$np" && "$run" $np "$mpi" "$examples/chip.dat" "$examples/chip.in" --steps 5 \
        -ksp_rtol 1e-12 >out 2>err)
    check "transient run on $np exits 0" test $? -eq 0
done
check "1 and 2 processes: the same result files" \
    same_files "$dir/t1" "$dir/t2" Calefax_transient.txt "${planes[@]}"
check "5 probe lines" test "$(wc -l <"$dir/t2/Calefax_transient.txt")" -eq 6

# rejections: Calefax's line, written once (by rank 0), a failed exit; the result file of an
# earlier run stays
cd "$dir/bad" || exit 1
echo "kept" >Calefax_steady.txt
sed 's/ACTIVE/ACTIV/' "$examples/chip.in" >chip.in
"$calefax" "$examples/chip.dat" chip.in --steady >/dev/null 2>want
"$run" 2 "$mpi" "$examples/chip.dat" chip.in --steady >out 2>got
check "unknown layer: a failed exit" test $? -ne 0
check "unknown layer: Calefax's line, once" test "$(grep -c "^Calefax: error" got)" -eq 1
check "unknown layer: the same text" grep -qxF "$(head -1 want)" got
check "earlier result file kept" test "$(cat Calefax_steady.txt)" = kept
"$run" 2 "$mpi" none.dat chip.in >out 2>got
check "missing data file: one line naming it" \
    test "$(grep -c "^Calefax: error: none.dat: cannot open the data file" got)" -eq 1
"$run" 1 "$mpi" "$examples/chip.dat" chip.in --power trace >out 2>got
check "option of Calefax only: refused" grep -q "^Calefax: error: --power is an option of Calefax" got
exit $fail
