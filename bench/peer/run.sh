#!/usr/bin/env bash
# run.sh - the peer benchmark: the same scene drawn by this engine and by
# Irrlicht 1.8 under one Xvfb, vsync off, for every count of spheres and
# lights asked for; prints each program's median and p99 frame time and the
# engine's ratio to Irrlicht as a markdown table (see bench/peer/README.md).
#
#   bench/peer/run.sh [--frames 200] [--warmup 60] [--objects "100 1000"]
#                     [--lights "0 1 4"] [--out DIR] [--timeout 900] [--shots]
#
# Runs as root on Debian 12: installs what is missing (Xvfb, Irrlicht, the
# compiler and the engine's build packages) with apt-get, builds the engine's
# release preset (shell, engine, obj2mesh), compiles irrlicht_scene.cpp with
# g++. Irrlicht is this script's alone: the engine's build never sees it.
# Everything it writes goes to --out (default build/peer/<date-time>): the
# scene, a base directory for the engine (copies of shell and libengine.so,
# the base package, this folder's mod), the frame times, logs and, with
# --shots, a screenshot of each program's 30th frame. Exits non-zero when a
# case could not be measured.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$(pwd)
here=$root/bench/peer
bin=$root/build/release/bin

frames=200 warmup=60 objects="100 1000" lights="0 1 4" out="" timeout_s=900 shots=0
usage() {
  echo "usage: $(sed -n '7,8p' "$0" | sed 's/^# //')" >&2
  exit 2
}
while (($#)); do
  case "$1" in
    --frames) frames=${2:-}; shift 2 || usage ;;
    --warmup) warmup=${2:-}; shift 2 || usage ;;
    --objects) objects=${2:-}; shift 2 || usage ;;
    --lights) lights=${2:-}; shift 2 || usage ;;
    --out) out=${2:-}; shift 2 || usage ;;
    --timeout) timeout_s=${2:-}; shift 2 || usage ;;
    --shots) shots=1; shift ;;
    *) usage ;;
  esac
done
for n in $frames $warmup $objects $lights $timeout_s; do
  [[ "$n" =~ ^[0-9]+$ ]] || { echo "peer: FAILED: '$n' is not a whole number" >&2; exit 2; }
done
((frames > 0)) || { echo "peer: FAILED: --frames must be above 0" >&2; exit 2; }

fail() {  # one clear line, then stop
  echo "peer: FAILED: $*" >&2
  exit 1
}

install_missing() {  # packages...
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  ((${#missing[@]})) || return 0
  ((EUID == 0)) || fail "missing packages ${missing[*]}; run as root to install them"
  echo "== Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  { apt-get update -q && apt-get install -y -q --no-install-recommends "${missing[@]}"; } \
    >/tmp/peer-apt.$$.log 2>&1 || fail "apt-get could not install ${missing[*]} (log: /tmp/peer-apt.$$.log)"
  rm -f /tmp/peer-apt.$$.log
}

# ---- what the two programs need ---------------------------------------------
engine_packages=$(grep -v -e '^#' -e '^$' tools/packages.txt)
# shellcheck disable=SC2086
install_missing xvfb libirrlicht-dev libgl-dev g++ python3 $engine_packages

echo "== Building the engine (release: shell, engine, obj2mesh)"
if [[ ! -f build/release/build.ninja ]]; then
  cmake --preset release >/dev/null || fail "cmake could not configure the release preset"
fi
cmake --build --preset release --target shell engine obj2mesh >/tmp/peer-build.$$.log 2>&1 ||
  fail "the engine's release build failed (log: /tmp/peer-build.$$.log)"
rm -f /tmp/peer-build.$$.log
[[ -x $bin/shell && -f $bin/libengine.so && -x $bin/obj2mesh ]] || fail "no shell, libengine.so or obj2mesh in $bin"

out=${out:-$root/build/peer/$(date +%Y%m%d-%H%M%S)}
mkdir -p "$out"/{scene,times,logs,shots} || fail "cannot create $out"
out=$(cd "$out" && pwd)

echo "== Compiling irrlicht_scene"
g++ -O2 -std=c++17 -isystem /usr/include/irrlicht "$here/irrlicht_scene.cpp" -lIrrlicht -lGL \
  -o "$out/irrlicht_scene" 2>"$out/logs/irrlicht_scene.build.log" ||
  fail "irrlicht_scene.cpp did not compile (log: $out/logs/irrlicht_scene.build.log)"

echo "== Scene and the engine's base directory in $out"
python3 "$here/make_scene.py" content "$out/scene" || fail "make_scene.py could not write the scene"
base=$out/base
rm -rf "$base"
mkdir -p "$base/mods" "$base/peer_built/Meshes" "$base/peer_built/Textures" || fail "cannot create $base"
# Copies, not links: the engine's base directory is the folder its launcher lies in.
cp "$bin/shell" "$bin/libengine.so" "$base/" || fail "cannot copy the launcher into $base"
ln -s "$(readlink -f "$bin/base")" "$base/base"
ln -s "$here/mod" "$base/peer"
# The launcher's main mod must exist, though this run selects the peer mod.
cp "$here/peer.mod" "$(readlink -f "$bin/mods")/cove.mod" "$base/mods/" || fail "cannot copy the mod definitions"
"$bin/obj2mesh" "$out/scene/sphere.obj" "$base/peer_built/Meshes/sphere.mesh" ||
  fail "obj2mesh could not convert the sphere"
cp "$out/scene/checker.tga" "$base/peer_built/Textures/" || fail "cannot copy the texture"
printf '30 key F9 down\n31 key F9 up\n' >"$out/scene/shot.replay"

# ---- one X server for both --------------------------------------------------
display=""
for d in $(seq 99 130); do
  [[ -e /tmp/.X$d-lock || -e /tmp/.X11-unix/X$d ]] && continue
  display=$d
  break
done
[[ -n "$display" ]] || fail "no free X display number between :99 and :130"
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$out/logs/xvfb.log" 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null' EXIT
for _ in $(seq 100); do
  [[ -e /tmp/.X11-unix/X$display ]] && break
  kill -0 $xvfb_pid 2>/dev/null || fail "Xvfb :$display did not start (log: $out/logs/xvfb.log)"
  sleep 0.1
done
[[ -e /tmp/.X11-unix/X$display ]] || fail "Xvfb :$display did not open its socket in 10 seconds"
export DISPLAY=:$display
# Vsync off for Mesa whatever the program asks; the engine also gets -VSync 0.
export vblank_mode=0 __GL_SYNC_TO_VBLANK=0
export ALSOFT_DRIVERS=null
unset SDL_VIDEODRIVER WAYLAND_DISPLAY

echo "== Load before: $(uptime)"
uptime >"$out/load-before.txt"

failures=0
note_failure() {  # what, reason
  echo "peer: FAILED: $1: $2" >&2
  failures=$((failures + 1))
}

# True when the run left all its frame times; otherwise one line saying why
# (the program's own FAILED line when it wrote one).
check_times() {  # what, times file, exit status, log
  local why="" lines=0
  [[ -s $2 ]] && lines=$(wc -l <"$2")
  ((lines == frames)) && return 0
  if [[ $3 == 124 ]]; then
    why="did not finish within ${timeout_s}s"
  elif ((lines > 0)); then
    why="$lines frame times instead of $frames"
  else
    why=$(grep -h -o -m1 -e 'PeerBench: FAILED: .*' -e 'irrlicht_scene: FAILED: .*' -e 'KazStartup: .*' "$4")
    why=${why:-"no frame times, exit status $3"}
  fi
  note_failure "$1" "$why (log: $4)"
  rm -f "$2"
  return 1
}

run_irrlicht() {  # objects lights
  local tag=irrlicht-$1-$2 shot=()
  ((shots)) && shot=("$out/shots/$tag.png")
  timeout "$timeout_s" "$out/irrlicht_scene" "$out/scene/layout-$1-$2.txt" "$out/scene/sphere.obj" \
    "$out/scene/checker.tga" "$out/times/$tag.txt" "$warmup" "$frames" "${shot[@]}" \
    >"$out/logs/$tag.log" 2>&1
  check_times "Irrlicht N=$1 M=$2" "$out/times/$tag.txt" $? "$out/logs/$tag.log"
}

run_engine() {  # objects lights tag [shell options...]
  local n=$1 m=$2 tag=$3-$1-$2 status replay=()
  shift 3
  ((shots)) && replay=(-replay "$out/scene/shot.replay")
  # Every run from the defaults (an empty configuration; a missing one is an error line).
  rm -rf "$base/screenshots" "$base/config"
  mkdir -p "$base/config" && : >"$base/config/peer.cfg"
  timeout "$timeout_s" "$base/shell" -mod peer -nosound -ResX 1024 -ResY 768 -Fullscreen 0 \
    -VSync 0 -PeerLayout "$out/scene/layout-$n-$m.txt" -PeerOut "$out/times/$tag.txt" \
    -PeerWarmup "$warmup" -PeerFrames "$frames" -frames $((warmup + frames + 30)) \
    "${replay[@]}" "$@" >"$out/logs/$tag.out" 2>&1
  status=$?
  if ((shots)); then
    local shot
    shot=$(find "$base/screenshots" -type f 2>/dev/null | head -1)
    [[ -n $shot ]] && mv "$shot" "$out/shots/$tag.${shot##*.}"
  fi
  check_times "engine ($tag) N=$n M=$m" "$out/times/$tag.txt" $status "$out/logs/$tag.out"
}

for n in $objects; do
  for m in $lights; do
    python3 "$here/make_scene.py" layout "$n" "$m" "$out/scene/layout-$n-$m.txt" ||
      { note_failure "layout N=$n M=$m" "make_scene.py failed"; continue; }
    echo "== N=$n M=$m: Irrlicht, engine, engine -GlowEnable 0"
    # The machine may be shared: the table shows the load each case began under.
    cut -d' ' -f1 /proc/loadavg >"$out/times/load-$n-$m.txt"
    run_irrlicht "$n" "$m"
    run_engine "$n" "$m" engine
    run_engine "$n" "$m" engine-noglow -GlowEnable 0
  done
done

echo "== Load after: $(uptime)"
uptime >"$out/load-after.txt"
# The engine logs the OpenGL renderer and version it got ("Adapater: ...", "Driver: ...").
renderer=$(cat "$out"/logs/engine-*.out 2>/dev/null | sed -n 's/^\(Adapater\|Driver\): //p' | head -2 | paste -sd ';')
echo
python3 "$here/summarize.py" "$out/times" --objects "$objects" --lights "$lights" \
  --frames "$frames" --warmup "$warmup" --load-before "$(cat "$out/load-before.txt")" \
  --load-after "$(cat "$out/load-after.txt")" --renderer "${renderer:-unknown}" |
  tee "$out/table.md"
summary=${PIPESTATUS[0]}
echo
echo "Frame times, logs and the table: $out"
((failures == 0 && summary == 0)) || { echo "peer: FAILED: $failures run(s) could not be measured" >&2; exit 1; }
