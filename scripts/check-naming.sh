#!/usr/bin/env bash
# Checks the naming convention of CONTRIBUTING.md with clang-tidy's identifier-naming check
# (.clang-tidy) over the compile database of the lane's tree (the one built with its tests),
# and the house rules the compiler cannot see (scripts/check-house.py: includes spelled from the
# root, headers that declare their code in namespace tunaro, the formatting of .clang-format); exits
# non-zero on a violation.
#
#   scripts/check-naming.sh              check every folder of TUNARO_NAMING_FOLDERS
#   scripts/check-naming.sh FILE...      check these sources only
#   scripts/check-naming.sh --fix DIR    rename what is declared below DIR to the convention,
#                                        at every use in the tree (the mechanical step a folder
#                                        takes before it joins the list)
#
# A folder joins the check by adding it to TUNARO_NAMING_FOLDERS below (with its tests folder),
# once `scripts/check-naming.sh --fix DIR` and a build have brought it to the convention.
# Needs the lane's tree configured (scripts/test.sh configures it).
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"

# The folders whose sources and headers are checked.
TUNARO_NAMING_FOLDERS=(
  framework uikit tv res remote engine schedule capture_dll fm installer platform
  tests/framework tests/uikit tests/res tests/tv tests/support tests/remote tests/engine tests/schedule
  tests/capture_dll tests/fm tests/installer tests/soak tests/platform
)
# Files a generator writes: their names come from the generator (res/art/skin.py).
TUNARO_NAMING_SKIP='res/(skin_row|[a-z]+/[a-z_]+_layout)\.h$'

# The house rules first: they need no build and take a moment. Their findings are reported
# with the naming check's, which runs in any case.
house_failed=0
if [ "${1:-}" != "--fix" ]; then
  log "house rules (includes from the root, namespace tunaro)"
  python3 "$TUNARO_ROOT/scripts/check-house.py" "$@" || house_failed=1
  # The formatting of .clang-format: clang-format -i FILE mends what this finds.
  command -v clang-format >/dev/null || die "clang-format is missing (scripts/test.sh installs it)"
  if [ $# -gt 0 ]; then
    format_files=("$@")
  else
    mapfile -t format_files < <(git -C "$TUNARO_ROOT" ls-files '*.cpp' '*.h' '*.c' | sed "s|^|$TUNARO_ROOT/|")
  fi
  unformatted=$(clang-format --dry-run -Werror "${format_files[@]}" 2>&1 \
                  | sed -nE 's/^(.*):[0-9]+:[0-9]+: error: .*/\1/p' | sort -u)
  if [ -n "$unformatted" ]; then
    printf '%s: not formatted as .clang-format says (clang-format -i mends it)\n' $unformatted
    house_failed=1
  fi
fi

db_dir=$TUNARO_BUILD
[ -f "$db_dir/compile_commands.json" ] || die "no compile database in $db_dir (configure the $TUNARO_ARCH tree first)"
command -v clang-tidy >/dev/null || die "clang-tidy is missing (scripts/test.sh installs it)"

# clang parses the sources as the MinGW compiler sees them: its target, its C++ headers, and
# without the GBK execution charset, which clang does not know.
work=$TUNARO_BUILD/naming
mkdir -p "$work"
python3 - "$db_dir/compile_commands.json" "$work/compile_commands.json" <<'PY'
import json, sys
entries = json.load(open(sys.argv[1]))
for e in entries:
    if "command" in e:
        e["command"] = e["command"].replace("-fexec-charset=GBK", "")
    else:
        e["arguments"] = [a for a in e["arguments"] if a != "-fexec-charset=GBK"]
json.dump(entries, open(sys.argv[2], "w"), indent=1)
PY
extra=(--extra-arg=--target=$TUNARO_ARCH-w64-mingw32 --extra-arg=-nostdinc++)
while read -r dir; do
  case "$dir" in */include/c++*) extra+=("--extra-arg=-isystem$dir") ;; esac
done < <(echo | "$TUNARO_ARCH-w64-mingw32-g++-posix" -xc++ -E -v - 2>&1 \
           | sed -n '/#include <...> search starts here/,/End of search list/p' | sed 's/^ *//')

# One clang-tidy run with those arguments: tidy-one.sh [--export-fixes-to DIR] [N] FILE...
tidy_one=$work/tidy-one.sh
{
  echo '#!/usr/bin/env bash'
  echo 'args=()'
  echo 'if [ "$1" = --export-fixes-to ]; then args=(--header-filter=".*" "--export-fixes=$2/$3.yaml"); shift 3; fi'
  printf 'exec clang-tidy -p %q --quiet' "$work"
  printf ' %q' "${extra[@]}"
  echo ' "${args[@]}" "$@"'
} >"$tidy_one"
chmod +x "$tidy_one"

root_re=$(printf '%s' "$TUNARO_ROOT" | sed 's/[.[\*^$()+?{|]/\\&/g')

# The translation units of the database under the given folders.
units_of() {
  python3 - "$work/compile_commands.json" "$TUNARO_ROOT" "$TUNARO_NAMING_SKIP" "$@" <<'PY'
import json, os, re, sys
db, root, skip, folders = sys.argv[1], sys.argv[2], re.compile(sys.argv[3]), sys.argv[4:]
seen = set()
for e in json.load(open(db)):
    f = os.path.normpath(os.path.join(e["directory"], e["file"]))
    rel = os.path.relpath(f, root)
    if rel.startswith("..") or skip.search(rel) or f in seen:
        continue
    if any(d == "." or rel == d or rel.startswith(d.rstrip("/") + "/") for d in folders):
        seen.add(f)
        print(f)
PY
}

if [ "${1:-}" = "--fix" ]; then
  [ $# -eq 2 ] || die "usage: scripts/check-naming.sh --fix DIR"
  target=${2%/}
  fixes=$work/fixes
  rm -rf "$fixes"
  mkdir -p "$fixes"
  python3 -c 'import yaml' 2>/dev/null || die "--fix needs python3-yaml"
  # Every unit of the tree, so that each use of a renamed name is seen where it is.
  units_of . | nl -w1 -s' ' | xargs -P2 -L1 "$tidy_one" --export-fixes-to "$fixes" \
    || log "some sources did not parse; their renames are missing (see the compiler next)"
  # Keep only the renames of names declared below DIR (and not in generated files), then apply.
  python3 - "$fixes" "$TUNARO_ROOT/$target/" "$TUNARO_NAMING_SKIP" "$TUNARO_ROOT" <<'PY'
import glob, os, re, sys, yaml
fixes, prefix, skip, root = sys.argv[1], sys.argv[2], re.compile(sys.argv[3]), sys.argv[4]
kept = 0
for path in glob.glob(os.path.join(fixes, "*.yaml")):
    doc = yaml.safe_load(open(path)) or {}
    diags = []
    for d in doc.get("Diagnostics", []):
        at = d.get("DiagnosticMessage", {}).get("FilePath", "")
        if at.startswith(prefix) and not skip.search(os.path.relpath(at, root)):
            diags.append(d)
    doc["Diagnostics"] = diags
    kept += len(diags)
    yaml.safe_dump(doc, open(path, "w"))
print("renames kept:", kept)
PY
  clang-apply-replacements "$fixes" || die "clang-apply-replacements failed"
  log "done: build, fix what the compiler names (macros, dependent calls), then add $target to the list"
  exit 0
fi

if [ $# -gt 0 ]; then
  units=("$@")
else
  units=()
  while read -r f; do units+=("$f"); done < <(units_of "${TUNARO_NAMING_FOLDERS[@]}")
fi
folders_re=$(IFS='|'; echo "${TUNARO_NAMING_FOLDERS[*]}")
header_filter="^$root_re/($folders_re)/"

log "naming check over ${#units[@]} sources (${TUNARO_NAMING_FOLDERS[*]})"
t0=$(date +%s)
out=$work/naming.log
printf '%s\n' "${units[@]}" | xargs -P2 -n4 "$tidy_one" --header-filter="$header_filter" >"$out" 2>&1
rc=$?
# A header reported from several sources counts once.
report=$(grep -E '^[^ ].*: (error|warning): ' "$out" | grep -Ev "$TUNARO_NAMING_SKIP" | sort -u)
log "naming check: $(( $(date +%s) - t0 )) s"
if [ -n "$report" ] || [ $rc -ne 0 ]; then
  [ -n "$report" ] && printf '%s\n' "$report" >&2 || tail -40 "$out" >&2
  log "naming check failed: $(printf '%s\n' "$report" | grep -c . ) finding(s); the convention is in CONTRIBUTING.md"
  [ $house_failed = 0 ] || log "house rules failed too (findings above)"
  exit 1
fi
log "naming check passed"
[ $house_failed = 0 ] || die "house rules failed (findings above, file:line); the rules are in CONTRIBUTING.md"
