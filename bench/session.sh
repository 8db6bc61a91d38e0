# The private desktop the tray benchmarks run the application in; sourced, not run. Gives:
#   scratch, pids and an exit trap that ends every process in pids by its pid and removes
#   scratch;
#   start_xvfb: an X server of its own, its name in `display`;
#   start_bus NAME: a D-Bus bus of type NAME (session, system) listening at
#     $scratch/NAME/socket: a path, since the application's network namespace cannot reach an
#     abstract socket, and a configuration of its own whose service folder is empty, so nothing
#     installed on this machine is ever started on it;
#   require_built FILE...: stops unless each file, a target of the build in $build, can run;
#   require_programs PROGRAM...: stops unless each program is installed;
#   write_every_module_config HOME [EXTRA_JSON]: the stored settings with every module enabled
#     in its default style and the ping to the loopback address; EXTRA_JSON (escaped as the
#     settings file wants it, starting with a comma) is added to the record.

scratch="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

require_built() { # FILE...
  local file
  for file in "$@"; do
    if [ ! -x "$file" ]; then
      echo "missing $file: build it first (ninja -C ${build:-BUILD_DIR} morvanex" \
           "morvanex_test_sni_watcher morvanex_test_logind)" >&2
      exit 1
    fi
  done
}

require_programs() { # PROGRAM...
  local program
  for program in "$@"; do
    command -v "$program" >/dev/null || { echo "needs $program" >&2; exit 1; }
  done
}

start_xvfb() {
  # The X server tells its display number once it is ready.
  Xvfb -displayfd 5 -nolisten tcp -screen 0 1440x900x24 5>"$scratch/display" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  [ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  display=":$(head -n1 "$scratch/display")"
}

start_bus() { # NAME
  local folder="$scratch/$1"
  mkdir -p "$folder/services"
  cat >"$folder/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>$1</type>
  <listen>unix:path=$folder/socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$folder/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$folder/bus.conf" --nofork --nopidfile 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$folder/socket" ] && break; sleep 0.1; done
  [ -S "$folder/socket" ] || { echo "the $1 bus did not start" >&2; exit 1; }
}

write_every_module_config() { # HOME [EXTRA_JSON]
  local modules="" kind
  mkdir -p "$1/.config/Morvanex"
  for kind in combined:text cpu:graphAndText gpu:graphAndText memory:graphAndText \
              disks:iconAndText network:text sensors:iconAndText battery:iconAndText \
              weather:iconAndText astronomy:iconAndText time:text; do
    modules+="${modules:+,}{\\\"kind\\\":\\\"${kind%%:*}\\\",\\\"enabled\\\":true,\\\"style\\\":\\\"${kind##*:}\\\"}"
  done
  cat >"$1/.config/Morvanex/Morvanex.conf" <<EOF
[General]
MorvanexConfig.v1="@ByteArray({\\"pingHost\\":\\"127.0.0.1\\",\\"modules\\":[$modules]${2:-}})"
EOF
}
