#!/usr/bin/env bash
# Runs the test stages and reports on each: `make test` runs them all.
#
#   test-stages.sh                 every stage, then one summary line each
#   test-stages.sh STAGE...        only these (each builds what it needs); a
#                                  NAME that starts stages NAME-* runs those
#   test-stages.sh --list          the stage names and such NAMEs (make's
#                                  test-NAME targets come from this list)
#
# Every stage runs even when another one failed. The stages of the first
# lane run alone and first (the release build: the others compare with its
# programs); then the other lanes run side by side on the machine's two
# cores, each stage building only its own tree. Each stage's output goes to
# build/test-logs/STAGE.log and is shown whole when the stage ends; CTest's
# JUnit report of it goes to build/test-logs/STAGE.xml and gives the summary
# line. The status is 1 when any stage failed. A tree is built, and its
# packages made, only while its lock is held (scripts/build-preset.sh), so
# no two builds of one folder ever overlap.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2
logs=$root/build/test-logs
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

# The stages, in the order of the summary. A new stage is one row here plus
# its presets in CMakePresets.json.
#   name    the stage (`make test-NAME`)
#   preset  the configure, build and test preset whose tree it tests
#   build   what it builds of that tree first: all, targets (a,b) or -
#   labels  the CTest labels it runs: a regular expression, or !RE for all
#           the others
#   lane    first (run alone before the others), or the lane it runs in
#           beside the other lanes (1, 2, ...), in this order
#   lock    yes: its tests run under the tree's lock (the package checks'
#           CPack builds the tree it packs)
#   needs   what it needs of the release build before its own: all,
#           targets (a,b) or -; built once per run, by the first lane, when
#           all stages run
# Lane 1 waits on Wine and the X servers, lane 2 on the browsers and qemu,
# so both keep the full job count; each lane takes about half of the work.
stage_table='
# name          preset          build               labels    lane  lock needs
release         release         all                 !package  first -    -
package         release         -                   package   1     yes  all
sanitize        sanitize        ombrith_unit_tests  unit      2     -    -
windows-i686    windows-i686    all                 windows   1     yes  ombrith-render
windows-x86_64  windows-x86_64  all                 windows   1     yes  ombrith-render
web             web             all                 web       2     -    ombrith-render,ombrith_icon,web_differential
arm64           linux-arm64     all                 arm64     2     yes  ombrith-render,web_differential,x_close_window
'

# Hooks (called by name): note_NAME prints what the stage's summary line adds at its end.
# The 32-bit build runs only where the machine runs 32-bit programs; the
# check is the first test of its run (win32.wine32_check), and the summary
# says its answer.
# shellcheck disable=SC2317
note_windows_i686() {
  local answer
  answer=$(cat build/windows-i686/wine/wine32-status 2>/dev/null || true)
  case "$answer" in
    no:*) echo " (32-bit Windows tests skipped: ${answer#no: })" ;;
  esac
}

declare -A preset_of build_of labels_of lane_of lock_of needs_of
all_stages=()
while read -r name preset build labels lane lock needs; do
  if [ -z "$name" ] || [ "${name:0:1}" = "#" ]; then continue; fi
  all_stages+=("$name")
  preset_of[$name]=$preset build_of[$name]=$build needs_of[$name]=$needs
  labels_of[$name]=$labels lane_of[$name]=$lane lock_of[$name]=$lock
done <<<"$stage_table"

# NAME for which stages NAME-* exist (e.g. windows).
groups() {
  local name
  for name in "${all_stages[@]}"; do
    [[ $name == *-* ]] && echo "${name%%-*}"
  done | sort -u
}

build() { JOBS=$jobs bash scripts/build-preset.sh "$@"; }

# "a,b" as "--target a b"; "all" as nothing.
targets() {
  [ "$1" = all ] || echo "--target ${1//,/ }"
}

# run_tests NAME: runs the stage's build steps, then its tests.
run_tests() {
  local name=$1 preset=${preset_of[$1]} needs=${needs_of[$1]} labels=${labels_of[$1]}
  local selection=(-L "$labels")
  [ "${labels:0:1}" = "!" ] && selection=(-LE "${labels:1}")
  # The release programs that the stage compares with, built unless the
  # whole run has built them already (two lanes never build one tree at once).
  if [ "$needs" != - ] && [ -z "${OMBRITH_RELEASE_BUILT:-}" ]; then
    # shellcheck disable=SC2046
    build release $(targets "$needs") || return
  fi
  if [ "${build_of[$name]}" != - ]; then
    # shellcheck disable=SC2046
    build "$preset" $(targets "${build_of[$name]}") || return
  fi
  local lock=()
  [ "${lock_of[$name]}" = yes ] && lock=(flock "build/.$preset.lock")
  "${lock[@]}" ctest --preset "$preset" -j "$jobs" "${selection[@]}" \
    --output-junit "$logs/$name.xml"
}

# run_stage NAME: runs it with its output in its log; then shows the log.
run_stage() {
  local name=$1 started=$SECONDS status=0
  run_tests "$name" >"$logs/$name.log" 2>&1 </dev/null || status=$?
  echo "exit status $status after $((SECONDS - started)) s" >>"$logs/$name.log"
  {
    echo "======== stage $name ========"
    cat "$logs/$name.log"
  } | flock "$logs/.print" cat
  echo $status >"$logs/$name.status"
}

# junit_counts FILE: "passed failed skipped" of a CTest JUnit report. A test
# counts as skipped only when it asked to be (its skip code or expression);
# one that could not run (no program, a failed fixture, a missing file)
# counts as failed, as in CTest's own summary, although the report lists it
# as skipped too. Disabled tests are not counted.
junit_counts() {
  awk '
    /^[[:space:]]*<testcase / {
      status = $0; sub(/.* status="/, "", status); sub(/".*/, "", status); skip = 0
    }
    /^[[:space:]]*<skipped message="SKIP_/ { skip = 1 }
    /^[[:space:]]*<\/testcase>/ {
      if (status == "run") passed++
      else if (status == "notrun" && skip) skipped++
      else if (status != "disabled") failed++
    }
    END { printf "%d %d %d\n", passed, failed, skipped }
  ' "$1"
}

# summary NAME: one line from the stage's JUnit report and status, then
# "passed failed skipped".
summary() {
  local name=$1 status passed failed skipped
  local report=$logs/$name.xml
  status=$(cat "$logs/$name.status" 2>/dev/null || echo 1)
  if [ ! -s "$report" ]; then
    printf '%-15s %s\n' "$name:" "FAILED before its tests ran (see build/test-logs/$name.log)"
    echo "0 0 0"
    return
  fi
  read -r passed failed skipped < <(junit_counts "$report")
  local word=passed why=""
  [ "$status" -eq 0 ] || word=FAILED
  declare -F "note_${name//-/_}" >/dev/null && why=$("note_${name//-/_}")
  printf '%-15s %s: %d passed, %d failed, %d skipped%s\n' "$name:" "$word" "$passed" "$failed" "$skipped" "$why"
  echo "$passed $failed $skipped"
}

if [ "${1:-}" = --list ]; then
  mapfile -t group_names < <(groups)
  echo "${all_stages[@]}" "${group_names[@]}"
  exit 0
fi

stages=()
for arg in "$@"; do
  if [ -n "${preset_of[$arg]:-}" ]; then
    stages+=("$arg")
    continue
  fi
  found=0
  for name in "${all_stages[@]}"; do
    [[ $name == "$arg"-* ]] && stages+=("$name") found=1
  done
  [ $found -eq 1 ] || {
    echo "unknown stage: $arg (stages: ${all_stages[*]})" >&2
    exit 2
  }
done
if [ ${#stages[@]} -eq 0 ]; then
  stages=("${all_stages[@]}")
fi
mkdir -p "$logs"
for name in "${stages[@]}"; do
  rm -f "$logs/$name.log" "$logs/$name.status" "$logs/$name.xml"
done

started=$SECONDS
if [ $# -eq 0 ]; then
  for name in "${all_stages[@]}"; do
    [ "${lane_of[$name]}" = first ] && run_stage "$name"
  done
  export OMBRITH_RELEASE_BUILT=1
  lanes=()
  for lane in $(printf '%s\n' "${lane_of[@]}" | grep -vx first | sort -un); do
    (for name in "${all_stages[@]}"; do
      [ "${lane_of[$name]}" = "$lane" ] && run_stage "$name"
    done) &
    lanes+=($!)
  done
  wait "${lanes[@]}"
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
