# Set-up steps that keep their output in a log file: one line on the terminal
# per step, and the log's last lines when a step fails. Source it from a
# script that has cd'ed to the checkout.
K5_LOG_DIR=${K5_LOG_DIR:-$PWD/build/logs}

# step LOG-NAME "Building the tools" COMMAND ARGS...  (the log is build/logs/LOG-NAME.log)
step() {
  local log="$K5_LOG_DIR/$1.log" title=$2
  shift 2
  mkdir -p "$K5_LOG_DIR"
  printf -- '--- %s ... ' "$title"
  local status=0
  "$@" >"$log" 2>&1 || status=$?
  if [ $status -eq 0 ]; then
    echo "done"
    return 0
  fi
  echo "FAILED (exit $status)"
  echo "--- the last lines of $log:"
  tail -n 40 "$log"
  exit $status
}
