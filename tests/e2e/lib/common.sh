#!/usr/bin/env bash
# Shared by the end-to-end cases: counting results and waiting for a process.
# Source it after setting passed=0 and failed=0.

ok() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }

# Waits up to $2 seconds for process $1; sets exit_code (or "timeout", after
# killing it) and took_ms.
wait_exit() {
  local pid=$1 limit=$2 start i=0
  start=$(date +%s%N)
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.02
    i=$((i + 1))
    if [ $i -ge $((limit * 50)) ]; then
      kill -9 "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
      exit_code=timeout
      return
    fi
  done
  wait "$pid"
  exit_code=$?
  took_ms=$((($(date +%s%N) - start) / 1000000))
}
