#!/usr/bin/env bash
# kaz.sh - the one command a new user runs:
# tools/kaz.sh demo  - install what is missing, build, run the demo game
# tools/kaz.sh test  - install what is missing, build, run every test
# tools/kaz.sh new-mod NAME [DIR]
#                    - install what is missing, build the launcher and meshconv,
#                      and write a new game from the template into DIR (default
#                      ./NAME): tools/newmod/new-mod.py does the writing
#
# With a display and without arguments, demo plays the game with -hotreload
# (a saved texture, effect or script shows at once: docs/hot-reload.md).
# Without a display and without arguments, demo runs the game's scripted tour
# (cove/Tour.replay, a fixed frame time, 640x480, F9 screenshots into
# <bin>/screenshots, the log in <bin>/kaz.log) and exits when the game quits
# itself; -frames KAZ_TOUR_FRAMES (default 5400, three minutes of game time) is
# its safety net. The tour starts from the default settings and leaves the
# saved ones (<bin>/config/cove.cfg) as they were. Arguments given are passed
# on to the launcher as they are.
#
# KAZ_BIN_DIR=build/<preset>/bin tools/kaz.sh demo runs an already built tree
# as it is (nothing installed or built): how CTest tries this very command.
#
# Runs as root on a fresh Debian 12 machine (apt-get installs the packages of
# tools/packages.txt that are not there yet). Build folders are build/<preset>.
set -euo pipefail
caller=$(pwd)
cd "$(dirname "$0")/.."
root=$(pwd)

install_missing() {
  local missing=()
  while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done < tools/packages.txt
  if ((${#missing[@]})); then
    echo "== Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

build() {  # build PRESET [targets...]
  local preset=$1
  shift
  cmake --preset "$preset" >/dev/null
  if (($#)); then
    cmake --build --preset "$preset" --target "$@"
  else
    cmake --build --preset "$preset"
  fi
}

# Without a display: the offscreen video driver and OpenAL's null output. The
# launcher bounds such a run itself, whoever picked the driver (-seconds 0 lifts
# the bound).
headless_env() {
  if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
    export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
  fi
}

# The tour: default settings for the run (an empty configuration file; a
# missing one would be reported as an error), the user's back afterwards.
run_tour() {  # run_tour BIN
  local bin=$1 cfg=$1/config/cove.cfg saved="" status=0 pid
  mkdir -p "$bin/config"
  if [[ -f "$cfg" ]]; then
    saved=$(mktemp)
    cp "$cfg" "$saved"
  fi
  : >"$cfg"
  "$bin/shell" -mod cove -replay "$bin/cove/Tour.replay" -fixedframe 0.033333 \
    -frames "${KAZ_TOUR_FRAMES:-5400}" -ResX 640 -ResY 480 -log &
  pid=$!
  # A stop asked of this script (Ctrl+C, timeout) is passed on to the launcher.
  trap 'kill -TERM $pid 2>/dev/null' INT TERM
  wait $pid || status=$?
  # wait returns early when a signal came in: the launcher still shuts down.
  while kill -0 $pid 2>/dev/null; do wait $pid || status=$?; done
  trap - INT TERM
  if [[ -n "$saved" ]]; then
    cp "$saved" "$cfg"
    rm -f "$saved"
  else
    rm -f "$cfg"
  fi
  return $status
}

# The launcher's own test: no display server, or a video driver that shows nothing.
has_display() {
  case "${SDL_VIDEODRIVER:-}" in
    offscreen | dummy) return 1 ;;
  esac
  [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]
}

case "${1:-}" in
  demo)
    bin=${KAZ_BIN_DIR:-}
    if [[ -z "$bin" ]]; then
      install_missing
      # The game's generated content (cove.pak, cove_built/) is built with the programs.
      content=()
      cmake --preset release >/dev/null
      if cmake --build --preset release --target help | grep -q '^cove_content:'; then
        content=(cove_content)
      fi
      build release shell engine "${content[@]}"
      bin=$root/build/release/bin
    fi
    headless_env
    shift
    tour=$bin/cove/Tour.replay
    if (($# == 0)) && ! has_display; then
      if [[ -f "$tour" ]]; then
        echo "== No display: the scripted tour of the demo game"
        status=0
        run_tour "$bin" || status=$?
        exit $status
      fi
      echo "== No display and no tour ($tour): a bounded headless run"
    fi
    # Played from a display, the game reloads its files as they are saved
    # (docs/hot-reload.md).
    if (($# == 0)) && has_display; then set -- -hotreload; fi
    exec "$bin/shell" "$@"
    ;;
  test)
    stages=()
    stage_start=$SECONDS
    stage_name=""
    # stage NAME: ends the running stage (its time is printed at the end) and starts NAME.
    stage() {
      if [[ -n $stage_name ]]; then
        stages+=("$(printf '%-62s %3dm%02ds' "$stage_name" $(((SECONDS - stage_start) / 60)) \
          $(((SECONDS - stage_start) % 60)))")
      fi
      stage_name=$1
      stage_start=$SECONDS
      if [[ -n $1 ]]; then echo "== $1"; fi
    }
    report_stages() {
      local status=$?
      stage ""
      echo "== Stage times (exit $status)"
      printf '   %s\n' "${stages[@]}"
      printf '   %-62s %3dm%02ds\n' "total" $((SECONDS / 60)) $((SECONDS % 60))
    }
    trap report_stages EXIT
    stage "Installing missing packages"
    install_missing
    headless_env
    export CCACHE_DIR=${CCACHE_DIR:-$root/build/.ccache}
    # A comma-decimal locale, so the tests can show numbers ignore the user's
    # locale. Every stage below, the fuzzers included, runs with it.
    mkdir -p build/locales
    if localedef -i de_DE -f UTF-8 build/locales/de_DE.UTF-8 2>/dev/null; then
      export LOCPATH=$root/build/locales
    fi
    # The sanitizer options (suppressions included) come from the presets.
    stage "Release build"
    build release
    stage "Release tests"
    ctest --preset release
    stage "AddressSanitizer + UndefinedBehaviorSanitizer build"
    build asan
    stage "AddressSanitizer + UndefinedBehaviorSanitizer tests"
    ctest --preset asan
    # Every suite whose tests run threads: the launcher's boot console, the
    # engine console's print path, the Ogg workers (which read their files
    # through the file system on their own threads).
    stage "ThreadSanitizer build (the threaded suites)"
    build tsan test_shell test_console test_sound
    stage "ThreadSanitizer: boot console, console printing, Ogg workers"
    ctest --preset tsan -R '^(BootConsoleTest|ConsoleLogTest|StreamTest|ProcessEndTest)[.]'
    stage "Fuzz targets: build (clang), seeds, bounded runs"
    targets=()
    for src in fuzz/*.cpp; do targets+=("fuzz_$(basename "$src" .cpp)"); done
    build fuzz "${targets[@]}"
    ctest --preset fuzz
    tools/run-fuzzers.sh "$root/build/fuzz/bin" "${KAZ_FUZZ_SECONDS:-15}"
    stage "Demo smoke run"
    "$root/build/release/bin/shell" -frames 60
    stage ""
    ;;
  new-mod)
    shift
    if (($# < 1 || $# > 2)); then
      echo "usage: $0 new-mod NAME [DIR]" >&2
      exit 2
    fi
    bin=${KAZ_BIN_DIR:-}
    if [[ -z "$bin" ]]; then
      install_missing
      build release shell engine meshconv
      bin=$root/build/release/bin
    fi
    folder=${2:-$1}
    [[ "$folder" == /* ]] || folder=$caller/$folder
    python3 "$root/tools/newmod/new-mod.py" --meshconv "$bin/meshconv" "$1" "$folder"
    echo "The launcher of this tree: $bin/shell -basedir $folder"
    ;;
  *)
    echo "usage: $0 demo|test|new-mod NAME [DIR]" >&2
    exit 2
    ;;
esac
