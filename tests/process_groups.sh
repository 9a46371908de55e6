# Helpers of the test desktop scripts (sourced): waiting for a condition and stopping the
# process groups they started.

# Members of a process group that are still running (zombies waiting to be reaped count as
# gone).
group_alive() {
    ps -e -o pgid=,stat= | awk -v g="$1" '$1 == g && $2 !~ /^Z/ {found = 1} END {exit !found}'
}

stop_group() {
    local pid=$1
    kill -TERM -- "-$pid" 2>/dev/null || return 0
    for _ in $(seq 100); do
        group_alive "$pid" || return 0
        sleep 0.02
    done
    kill -KILL -- "-$pid" 2>/dev/null || true
}

wait_for() {  # wait_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.02
    done
}
