#!/usr/bin/env bash
# Runs every command of the user's guide and compares what it prints with what
# the guide shows, so that the guide cannot drift from the program.
#
#   check-guide.sh CLI GUIDE EXAMPLES          check the guide
#   check-guide.sh --drift CLI GUIDE EXAMPLES  check that the check notices drift
#
# CLI is the quorvafix-cli to run, GUIDE the guide (docs/guide.md), EXAMPLES
# the folder of sample exports. The commands are the guide's ```console
# blocks (a "$ " command line anywhere else is refused, since it would go
# unchecked): each line starting with "$ " is a command, the lines after it are
# what it prints (standard output and standard error as they arrive). Each
# block runs in one bash of its own, in a fresh folder holding a copy of
# EXAMPLES as examples/, with CLI's folder first on PATH, so a block may
# build on its own earlier commands (a file written, `echo $?`) but never on
# another block. Pictures the guide shows must exist beside it.
# --drift changes one output line of each block in turn (the last, or adds
# one to a block without output) and fails unless the check then fails.
set -euo pipefail

drift=0
if [ "${1:-}" = --drift ]; then
  drift=1
  shift
fi
if [ $# -ne 3 ]; then
  echo "usage: check-guide.sh [--drift] CLI GUIDE EXAMPLES" >&2
  exit 2
fi
cli=$(realpath "$1")
guide=$(realpath "$2")
examples=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Splits GUIDE into $work/blocks/N (the block's lines) and $work/blocks/N.line
# (the guide's line of the block's first command).
split_blocks() {
  mkdir -p "$work/blocks"
  awk -v dir="$work/blocks" '
    /^```console[ \t]*$/ { if (inside) { print FILENAME ":" NR ": console block inside a console block" > "/dev/stderr"; exit 1 }
                           inside = 1; n++; out = dir "/" n; printf "" > out
                           print NR + 1 > (out ".line"); close(out ".line"); next }
    /^```/ && inside    { inside = 0; close(out); next }
    inside              { print > out; next }
    /^[ \t]*\$ /         { print FILENAME ":" NR ": a command outside a console block is never checked" > "/dev/stderr"; bad = 1 }
    END                 { if (inside) { print FILENAME ": unterminated console block" > "/dev/stderr"; exit 1 }
                          exit bad }
  ' "$guide"
}

# Runs the commands of block file $1 and writes the transcript (each command
# after "$ ", then its output) to $2.
run_block() {
  local block=$1 transcript=$2 script run line
  run=$(mktemp -d "$work/run.XXXXXX")
  script="$run.sh"
  {
    echo 'exec 2>&1'
    while IFS= read -r line || [ -n "$line" ]; do
      case $line in
        '$ '*)
          # Printing the command line keeps the previous command's status for `echo $?`.
          printf 'guide_status=$?; printf "%%s\\n" %q; (exit "$guide_status")\n' "$line"
          printf '%s\n' "${line#\$ }"
          ;;
      esac
    done < "$block"
  } > "$script"
  cp -r "$examples" "$run/examples"
  (cd "$run" && env -i PATH="$(dirname "$cli"):/usr/local/bin:/usr/bin:/bin" HOME="$run" \
      TMPDIR="$run" LC_ALL=C.UTF-8 bash --noprofile --norc "$script" > "$transcript" || true)
}

# Checks block $1 against the program; prints the difference and fails on any.
check_block() {
  local block=$1 where
  where="$guide:$(cat "$block.line")"
  if ! head -n 1 "$block" | grep -q '^\$ '; then
    echo "$where: a console block starts with a \"\$ \" command line" >&2
    return 1
  fi
  run_block "$block" "$block.actual"
  if ! diff -u --label "guide" --label "program" "$block" "$block.actual" > "$block.diff"; then
    echo "$where: the program's output differs from the guide's:" >&2
    cat "$block.diff" >&2
    return 1
  fi
}

# Checks that every picture the guide shows exists beside it.
check_pictures() {
  local picture status=0
  while IFS= read -r picture; do
    if [ ! -f "$(dirname "$guide")/$picture" ]; then
      echo "$guide: picture $picture is missing" >&2
      status=1
    fi
  done < <(grep -o '!\[[^]]*\]([^)]*)' "$guide" | sed 's/.*(\(.*\))/\1/')
  return $status
}

# Changes block $1's last output line (or adds one) into $1.drifted.
make_drift() {
  local block=$1 last
  last=$(grep -n -v '^\$ ' "$block" | tail -n 1 | cut -d: -f1 || true)
  if [ -n "$last" ]; then
    sed "${last}s/\$/ (changed)/" "$block" > "$block.drifted"
  else
    { cat "$block"; echo "(an output line the program never prints)"; } > "$block.drifted"
  fi
  cp "$block.line" "$block.drifted.line"
}

split_blocks
count=$(find "$work/blocks" -name '*.line' | wc -l)
if [ "$count" -eq 0 ]; then
  echo "$guide: no console blocks" >&2
  exit 1
fi
status=0
for n in $(seq 1 "$count"); do
  block="$work/blocks/$n"
  if [ "$drift" -eq 1 ]; then
    make_drift "$block"
    if check_block "$block.drifted" 2> /dev/null; then
      echo "$guide:$(cat "$block.line"): a changed output line was not noticed" >&2
      status=1
    fi
  else
    check_block "$block" || status=1
  fi
done
[ "$drift" -eq 1 ] || check_pictures || status=1
if [ "$status" -eq 0 ]; then
  echo "$count console blocks of $guide $([ "$drift" -eq 1 ] && echo "notice drift" || echo "match the program")"
fi
exit $status
