#!/bin/bash
# Checks that the program folder is whole after building darna_programs alone
# (what scripts/run.sh builds): scripts/check-dist.sh list FILE writes the folder's
# entries to FILE; scripts/check-dist.sh compare FILE, after the rest of the tree
# was built, fails naming every entry that the rest added, since a target that
# stages into the folder without registering with darna_dist_target leaves the
# run command's folder incomplete. (Build folder from DARNA_BUILD, default build/.)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${DARNA_BUILD:-$ROOT/build}"
DIST="$BUILD/dist"

entries() { (cd "$DIST" && find . -mindepth 1 | LC_ALL=C sort); }

case "${1:-}" in
  list)
    [ -d "$DIST" ] || { echo "check-dist: no program folder at $DIST" >&2; exit 1; }
    entries > "$2" ;;
  compare)
    added=$(entries | LC_ALL=C comm -13 "$2" -)
    if [ -n "$added" ]; then
      echo "check-dist: building the rest of the tree added to the program folder" >&2
      echo "check-dist: what darna_programs does not stage (register it with darna_dist_target):" >&2
      printf '  %s\n' $added >&2
      exit 1
    fi
    echo "check-dist: the program folder of darna_programs is whole ($(wc -l < "$2") entries)" ;;
  *) echo "usage: check-dist.sh list|compare FILE" >&2; exit 2 ;;
esac
