#!/usr/bin/env bash
# Fails when a subsystem includes what it may not: the application (app/) or a sibling subsystem.
# Each subsystem may include itself and platform/; platform/ includes only itself; app/ may include all.
# usage: check.sh SRC_DIR
set -u
src=${1:?usage: check.sh SRC_DIR}
status=0
for dir in "$src"/*/; do
    sub=$(basename "$dir")
    [ "$sub" = app ] && continue
    allowed="$sub|platform"
    [ "$sub" = platform ] && allowed=platform
    # Every quoted include whose first folder names one of our own top-level folders.
    while IFS= read -r hit; do
        file=${hit%%:*}
        target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$hit")
        [ -d "$src/$target" ] || continue
        if ! [[ $target =~ ^($allowed)$ ]]; then
            echo "layering: ${file#"$src"/} includes $target/, which $sub/ may not depend on"
            status=1
        fi
    done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" --include='*.h' --include='*.cpp' --include='*.mm' || true)
done
[ $status -eq 0 ] && echo "layering: every subsystem includes only itself and platform/"
exit $status
