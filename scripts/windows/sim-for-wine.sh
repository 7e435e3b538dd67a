#!/bin/sh
# The Linux zem-unit-sim for the Windows tests under wine (ZEM_SIM_COMMAND):
# wine starts a Linux program but cannot end it, so each one started here
# is noted in $ZEM_SIM_PIDS for scripts/windows/test.sh to end, and ends by
# itself after ten minutes at the latest.
#   ZEM_LINUX_SIM=build/src/sim/zem-unit-sim ZEM_SIM_PIDS=FILE sim-for-wine.sh ARGS...
echo $$ >>"${ZEM_SIM_PIDS:?}"
exec timeout 600 "${ZEM_LINUX_SIM:?}" "$@"
