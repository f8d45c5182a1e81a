#!/usr/bin/env bash
# The layering check must catch a wrong-way include, and only that: a tree with one of each kind.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{platform,analyser/ui,search,app}
printf '#include "platform/Log.h"\n#include <QString>\n' >"$tree/platform/Log.h"
printf '#include "analyser/Scanner.h"\n#include "platform/Log.h"\n' >"$tree/analyser/Scanner.cpp"
printf '  #  include "app/TRAppDelegate.h"\n' >"$tree/analyser/ui/Window.cpp"
printf '#include "analyser/Scanner.h"\n' >"$tree/search/Search.h"
printf '#include "search/Search.h"\n' >"$tree/platform/Runner.cpp"
printf '#include "analyser/Scanner.h"\n#include "search/Search.h"\n' >"$tree/app/Delegate.cpp"
printf '#include "support/Fakes.h"\n' >"$tree/search/NotOurs.cpp" # not a folder of src: not judged

out=$(bash "$here/check.sh" "$tree")
status=$?
expected="layering: analyser/ui/Window.cpp includes app/, which analyser/ may not depend on
layering: platform/Runner.cpp includes search/, which platform/ may not depend on
layering: search/Search.h includes analyser/, which search/ may not depend on"
if [ $status -ne 1 ] || [ "$(sort <<<"$out")" != "$expected" ]; then
    printf 'layering self-test failed (status %s):\n%s\n' "$status" "$out"
    exit 1
fi
echo "layering self-test: the three wrong-way includes are reported"
