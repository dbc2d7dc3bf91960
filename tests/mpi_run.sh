#!/usr/bin/env bash
# tests/mpi_run.sh NP COMMAND...: runs COMMAND on NP MPI processes for ctest. Tests may run as
# root (CI containers), which Open MPI's mpirun refuses unless told otherwise; that permission is
# given here, for the tests only. --oversubscribe: a machine with fewer cores than NP still runs.
set -euo pipefail
np="$1"
shift
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
# no network interfaces to probe: the processes of one machine talk through shared memory
export OMPI_MCA_btl=self,vader OMPI_MCA_btl_vader_single_copy_mechanism=none
# Under the sanitizer build (.ci/sanitize) the address checks stay, the leak check goes: Open MPI
# keeps memory to the end in components it loads and unloads, whose leaks LeakSanitizer can name
# neither to report nor to suppress.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
exec mpirun --oversubscribe -n "$np" "$@"
