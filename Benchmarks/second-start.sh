#!/bin/bash
# How long a second start of the agent lives: it asks the running agent (over the session bus) to
# show its dashboard and ends. Run by hand, on a Release build:
#
#     Benchmarks/second-start.sh build/release/Kavrinet.app/Contents/MacOS/Kavrinet [runs]
#
# It starts a private session bus, an X server (Xvfb) when there is one, a fresh home and a first
# agent, then times each second start: from its start to the running agent's answer (the method
# return that the bus monitor sees) and from that answer to its end. Needs dbus-run-session,
# dbus-monitor and dbus-send (package dbus); Xvfb is optional (else the offscreen platform).
set -euo pipefail

agent=$(realpath "${1:?usage: $0 AGENT [runs]}")
runs=${2:-10}

if [[ -z "${SECOND_START_BUS:-}" ]]; then
  exec env SECOND_START_BUS=1 dbus-run-session -- "$0" "$agent" "$runs"
fi

sandbox=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$sandbox"
}
trap cleanup EXIT
mkdir -p "$sandbox"/{home,config,data,runtime}
chmod 700 "$sandbox/runtime"
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config XDG_DATA_HOME=$sandbox/data XDG_RUNTIME_DIR=$sandbox/runtime

if command -v Xvfb >/dev/null; then
  display=:$((100 + RANDOM % 800))
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X${display#:} ]] && break; sleep 0.05; done
else
  export QT_QPA_PLATFORM=offscreen
fi

owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:local.mirosal.Kavrinet 2>/dev/null | grep -q 'boolean true'
}

# Raised priority where allowed, so that the monitor sees the answer when it is sent.
nice -n -10 dbus-monitor --session "type='method_call',member='Activate'" "type='method_return'" \
  >"$sandbox/monitor" 2>/dev/null &
pids+=($!)
"$agent" 2>"$sandbox/first.err" &
pids+=($!)
for _ in $(seq 600); do owned && break; sleep 0.05; done
owned || { echo "the first agent did not start" >&2; exit 1; }
sleep 3  # let it settle: the welcome window and the UI app come up

starts=()
ends=()
for _ in $(seq "$runs"); do
  starts+=("$EPOCHREALTIME")
  "$agent" 2>>"$sandbox/second.err"
  ends+=("$EPOCHREALTIME")
  sleep 1
done
sleep 0.5

# Each Activate call and the return to its caller, in order: the answer times.
mapfile -t answers < <(awk '
  /^method call / && /member=Activate/ {
    for (i = 1; i <= NF; i++) { split($i, kv, "="); field[kv[1]] = kv[2] }
    caller[field["sender"] " " field["serial"]] = 1; order[++n] = field["sender"] " " field["serial"]
  }
  /^method return / {
    for (i = 1; i <= NF; i++) { split($i, kv, "="); field[kv[1]] = kv[2] }
    key = field["destination"] " " field["reply_serial"]
    if (key in caller) answer[key] = field["time"]
  }
  END { for (i = 1; i <= n; i++) print (order[i] in answer) ? answer[order[i]] : "none" }
' "$sandbox/monitor")

for i in $(seq 0 $((runs - 1))); do
  echo "${starts[$i]} ${answers[$i]:-none} ${ends[$i]}"
done | awk '
  function median(values, count,    i, j, t) {
    for (i = 1; i <= count; i++)
      for (j = i + 1; j <= count; j++)
        if (values[j] < values[i]) { t = values[i]; values[i] = values[j]; values[j] = t }
    return count % 2 ? values[(count + 1) / 2] : (values[count / 2] + values[count / 2 + 1]) / 2
  }
  BEGIN { printf "%4s %18s %18s %12s\n", "run", "start→answer ms", "answer→end ms", "total ms" }
  {
    total[NR] = ($3 - $1) * 1000
    if ($2 == "none") { printf "%4d %18s %18s %12.1f\n", NR, "-", "-", total[NR]; next }
    n++; before[n] = ($2 - $1) * 1000; after[n] = ($3 - $2) * 1000
    printf "%4d %18.1f %18.1f %12.1f\n", NR, before[n], after[n], total[NR]
  }
  END { printf "median %15.1f %18.1f %12.1f\n", median(before, n), median(after, n), median(total, NR) }'
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
