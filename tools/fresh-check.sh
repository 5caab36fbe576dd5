#!/usr/bin/env bash
# fresh-check.sh - runs the README's two commands on a fresh Debian 12 root, as a new user would.
#
#   tools/fresh-check.sh [ROOT_DIR]
#
# Makes a clean Debian 12 root (debootstrap, variant minbase) from the mirror
# this machine's apt uses, copies this machine's apt sources into it, clones the
# current commit of this checkout into /root/kaz there, and runs, without a
# display, `tools/kaz.sh demo` and then `tools/kaz.sh test` inside it. Prints
# each command's exit status and wall time; exits 0 only when both pass.
#
# Needs root and network to the package mirror. ROOT_DIR (default: a new
# folder under /var/tmp) is removed afterwards unless KAZ_KEEP_ROOT=1.
# KAZ_MIRROR overrides the mirror; KAZ_FRESH_COMMANDS="demo" runs one command.
# Each command's whole output is kept in ROOT_DIR/../<name>.log beside the root.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
  echo "fresh-check: needs root (debootstrap and chroot)" >&2
  exit 2
fi
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
if [[ -n $(git -C "$repo" status --porcelain --untracked-files=no) ]]; then
  echo "fresh-check: warning: uncommitted changes are not checked; the root gets commit $commit" >&2
fi

# The mirror: the first Debian archive named in this machine's apt sources.
find_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list \
    2>/dev/null | grep -E '^[[:space:]]*(deb|URIs:)[[:space:]]' | grep -Eo 'https?://[^ ]*/debian/?' |
    grep -v security | head -n 1 || true)
  echo "${uri:-http://deb.debian.org/debian}"
}
mirror=${KAZ_MIRROR:-$(find_mirror)}

if ! command -v debootstrap >/dev/null; then
  echo "== Installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >/dev/null
fi

root=${1:-$(mktemp -d /var/tmp/kaz-fresh.XXXXXX)}
mkdir -p "$root"
root=$(cd "$root" && pwd)
logs=$(dirname "$root")/$(basename "$root")-logs
mkdir -p "$logs"
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}" 2>/dev/null || true; done
  if [[ ${KAZ_KEEP_ROOT:-0} != 1 ]]; then
    rm -rf --one-file-system "$root"
  else
    echo "fresh-check: the root is kept at $root"
  fi
}
trap cleanup EXIT

echo "== debootstrap bookworm (minbase) from $mirror into $root"
start=$SECONDS
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$logs/debootstrap.log" 2>&1 || {
  echo "fresh-check: debootstrap failed; see $logs/debootstrap.log" >&2
  tail -n 20 "$logs/debootstrap.log" >&2
  exit 1
}
echo "   took $((SECONDS - start)) s"

# The same sources the machine uses (updates and security included), so the
# root installs the same package versions.
rm -f "$root/etc/apt/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [[ -f $f ]] && cp "$f" "$root$f"
done
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

for fs in proc sys dev dev/pts; do
  mkdir -p "$root/$fs"
done
mount -t proc proc "$root/proc" && mounts+=("$root/proc")
mount -t sysfs sys "$root/sys" && mounts+=("$root/sys")
mount --bind /dev "$root/dev" && mounts+=("$root/dev")
mount -t devpts devpts "$root/dev/pts" && mounts+=("$root/dev/pts")
mount -t tmpfs shm "$root/dev/shm" && mounts+=("$root/dev/shm")

echo "== Cloning commit $commit into /root/kaz"
git clone -q --no-local "$repo" "$root/root/kaz"
git -C "$root/root/kaz" checkout -q "$commit"

# A new user's shell: no display, no sanitizer or build settings from this one.
run_in_root() {  # run_in_root NAME COMMAND
  local name=$1 cmd=$2 status=0 t0=$SECONDS
  echo "== $cmd"
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /root/kaz && $cmd" >"$logs/$name.log" 2>&1 || status=$?
  local took=$((SECONDS - t0))
  tail -n 25 "$logs/$name.log"
  printf 'fresh-check: %-16s exit %d in %dm%02ds (log: %s)\n' "$cmd" "$status" $((took / 60)) \
    $((took % 60)) "$logs/$name.log"
  results+=("$(printf '%-16s exit %d  %dm%02ds' "$cmd" "$status" $((took / 60)) $((took % 60)))")
  ((status == 0))
}

results=()
failed=0
for what in ${KAZ_FRESH_COMMANDS:-demo test}; do
  run_in_root "$what" "tools/kaz.sh $what" || failed=1
done

echo "== fresh-check of $commit on Debian 12 ($(nproc) cores)"
printf '   %s\n' "${results[@]}"
exit $failed
