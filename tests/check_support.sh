# The shell checks' common steps, sourced. The check sets `check` (its
# name, for messages), `work` (its scratch folder) and, if it wants other
# than 200, `tries`.

# fail MESSAGE: says what failed and what $work/output (and the sound
# server's $work/server.log) hold, and ends the check.
fail() {
  echo "$check: $*" >&2
  cat "$work/output" "$work/server.log" >&2 2>/dev/null || true
  exit 1
}

# await WHAT COMMAND...: until the command succeeds, `tries` tries 0.1 s
# apart (each takes an idle machine a few milliseconds; the bound only
# tells a hang). The command runs anew at each try: a function that reads
# what it checks, never an argument expanded once before the first.
await() {
  local what=$1
  shift
  for _ in $(seq "${tries:-200}"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "$what"
}
