#!/bin/sh
# The layers of the code: no folder includes a header of a layer above its
# own (ui < image < fileio < canvas < paint < select < adjust < app), and the
# browser includes none of the editor's subsystems. Prints every include that
# runs upward and fails when there is one.
#
#   scripts/check-layers.sh [source root]
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
order="ui image fileio canvas paint select adjust app"
status=0

# check FOLDER FORBIDDEN...: includes of FORBIDDEN folders from FOLDER.
check() {
  folder="$1"
  shift
  [ -d "$root/$folder" ] || return 0
  for above in "$@"; do
    found="$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]+\"$above/" "$root/$folder" \
      --include='*.h' --include='*.cpp' --include='*.rc' | sed "s|^$root/||")"
    if [ -n "$found" ]; then
      echo "$found" | sed "s|\$|   ($folder/ includes $above/)|"
      status=1
    fi
  done
}

rest="$order"
for folder in $order; do
  rest="${rest#"$folder"}"
  rest="${rest# }"
  # shellcheck disable=SC2086
  check "$folder" $rest
done
check browser canvas paint select adjust app
[ "$status" -eq 0 ] && echo "layers: no include runs upward"
exit "$status"
