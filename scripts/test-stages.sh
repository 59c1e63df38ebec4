#!/usr/bin/env bash
# Runs the test stages and reports on each: `make test` runs them all.
#
#   test-stages.sh                 every stage, then one summary line each
#   test-stages.sh STAGE...        only these (each builds what it needs)
#
# Stages: release (unit and end-to-end tests of the Linux build), package
# (the Debian package), sanitize (ASan + UBSan unit tests), windows-i686 and
# windows-x86_64 (the Windows builds under Wine), web (WebAssembly under node
# and in Chromium, Firefox and WebKit), arm64 (the ARM64 Linux build under qemu).
#
# Every stage runs even when another one failed. The release build comes
# first, since the other stages compare with its programs; then two lanes
# run side by side on the machine's two cores, each stage building only its
# own tree. Each stage's output goes to build/test-logs/STAGE.log and is
# shown whole when the stage ends. The status is 1 when any stage failed.
# A tree is built, and its packages made, only while its lock is held
# (scripts/build-preset.sh), so no two builds of one folder ever overlap.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
logs=$root/build/test-logs
mkdir -p "$logs"
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
all_stages=(release package sanitize windows-i686 windows-x86_64 web arm64)

build() { JOBS=$jobs bash scripts/build-preset.sh "$@"; }
# locked PRESET COMMAND...: runs the command while holding the tree's lock
# (the package checks' CPack builds the tree it packs).
locked() {
  local preset=$1
  shift
  flock "build/.$preset.lock" "$@"
}

# The Linux programs that the other stages compare with, built unless the
# whole run has built them already (two lanes never build one tree at once).
release_programs() {
  [ -n "${OMBRITH_RELEASE_BUILT:-}" ] && return 0
  build release ${1:+--target "$@"}
}

stage_release() {
  build release && ctest --preset release -j "$jobs" -LE package
}

stage_package() {
  release_programs &&
    locked release ctest --preset release -j "$jobs" -L package
}

# Only the unit tests run under the sanitizers: only their programs are built.
stage_sanitize() {
  build sanitize --target ombrith_unit_tests && ctest --preset sanitize -j "$jobs"
}

# The 32-bit build runs only where the machine runs 32-bit programs; the
# check is the first test of the run (win32.wine32_check), and the summary
# says its answer.
stage_windows_i686() {
  release_programs ombrith-render && build windows-i686 &&
    locked windows-i686 ctest --preset windows-i686 -j "$jobs"
}

stage_windows_x86_64() {
  release_programs ombrith-render && build windows-x86_64 &&
    locked windows-x86_64 ctest --preset windows-x86_64 -j "$jobs"
}

stage_web() {
  release_programs ombrith-render ombrith_icon web_differential && build web &&
    ctest --preset web -j "$jobs"
}

stage_arm64() {
  release_programs ombrith-render web_differential x_close_window && build linux-arm64 &&
    locked linux-arm64 ctest --preset linux-arm64 -j "$jobs"
}

# run_stage NAME: runs it with its output in its log; then shows the log.
run_stage() {
  local name=$1 started=$SECONDS status=0
  "stage_${name//-/_}" >"$logs/$name.log" 2>&1 </dev/null || status=$?
  echo "exit status $status after $((SECONDS - started)) s" >>"$logs/$name.log"
  {
    echo "======== stage $name ========"
    cat "$logs/$name.log"
  } | flock "$logs/.print" cat
  echo $status >"$logs/$name.status"
}

# summary NAME: one line from the stage's log and status.
summary() {
  local name=$1 log=$logs/$name.log status total failed skipped passed
  status=$(cat "$logs/$name.status" 2>/dev/null || echo 1)
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    printf '%-15s %s\n' "$name:" "FAILED before its tests ran (see build/test-logs/$name.log)"
    echo "0 0 0"
    return
  fi
  total=$(echo "$line" | sed -E 's/.* out of ([0-9]+).*/\1/')
  failed=$(echo "$line" | sed -E 's/.*, ([0-9]+) tests? failed.*/\1/')
  skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log" || true)
  passed=$((total - failed - skipped))
  local word=passed
  [ "$status" -eq 0 ] || word=FAILED
  local why=""
  if [ "$name" = windows-i686 ]; then
    local answer
    answer=$(cat build/windows-i686/wine/wine32-status 2>/dev/null || true)
    case "$answer" in
      no:*) why=" (32-bit Windows tests skipped: ${answer#no: })" ;;
    esac
  fi
  printf '%-15s %s: %d passed, %d failed, %d skipped%s\n' "$name:" "$word" "$passed" "$failed" "$skipped" "$why"
  echo "$passed $failed $skipped"
}

stages=("$@")
if [ ${#stages[@]} -eq 0 ]; then
  stages=("${all_stages[@]}")
fi
for name in "${stages[@]}"; do
  declare -F "stage_${name//-/_}" >/dev/null || {
    echo "unknown stage: $name (stages: ${all_stages[*]})" >&2
    exit 2
  }
  rm -f "$logs/$name.log" "$logs/$name.status"
done

started=$SECONDS
if [ $# -eq 0 ]; then
  run_stage release
  export OMBRITH_RELEASE_BUILT=1
  # Lane one: the package, the Windows and the ARM64 builds; lane two: the
  # sanitizer build and the browser. Much of each lane's time is spent waiting (on
  # Wine, X servers, the browser), so both keep the full job count.
  (for name in package windows-i686 windows-x86_64 arm64; do run_stage "$name"; done) &
  lane_one=$!
  (for name in sanitize web; do run_stage "$name"; done) &
  lane_two=$!
  wait "$lane_one" "$lane_two"
else
  for name in "${stages[@]}"; do run_stage "$name"; done
fi

echo
echo "======== summary ($((SECONDS - started)) s) ========"
any_failed=0 total_passed=0 total_failed=0 total_skipped=0
for name in "${stages[@]}"; do
  out=$(summary "$name")
  echo "$out" | head -n 1
  read -r p f s <<<"$(echo "$out" | tail -n 1)"
  total_passed=$((total_passed + p)) total_failed=$((total_failed + f)) total_skipped=$((total_skipped + s))
  [ "$(cat "$logs/$name.status" 2>/dev/null || echo 1)" -eq 0 ] || any_failed=1
done
echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
exit $any_failed
