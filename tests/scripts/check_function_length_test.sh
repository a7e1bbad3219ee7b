#!/usr/bin/env bash
# scripts/check-function-length on made-up sources: a function of 61 lines is named and fails
# the check, one of 60 passes, and what only looks like braces of a body (default arguments,
# brace initializers, lambdas in a static_assert, strings, comments) does not cut a function
# short or make one up.
# Usage: check_function_length_test.sh SCRIPT
set -euo pipefail
script=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/editor" "$root/tests"

# A function whose signature and body span `lines` lines in all, with tricky lines inside.
function_of() {  # name, lines
  echo "int $1(int a, std::string_view b = {}, Point c = {0, 1}) {"
  echo '    const char* s = "{ not a brace";  // nor { this'
  echo "    /* } nor this */ auto f = [] { return '}'; };"
  for ((i = 0; i < $2 - 4; ++i)); do echo "    ++a;"; done
  echo "}"
}
{
  echo '#include "editor/x.h"'
  echo 'static_assert([] { for (int i = 0; i < 1; ++i) { } return true; }(), "x");'
  echo 'Host::Host(int w) : client_{0, 0, w, 1}, name_("}") {'
  echo '}'
  echo 'namespace corvane {'
  function_of sixty 60
  function_of sixtyOne 61
  echo 'class A { int f() const { return 1; } };'
  echo '}  // namespace corvane'
} > "$root/editor/sample.cpp"
function_of longTest 100 > "$root/tests/ignored.cpp"

if out=$("$script" "$root" 2>&1); then
  echo "expected a failure, got: $out" >&2
  exit 1
fi
expected="editor/sample.cpp:66: sixtyOne is 61 lines long (at most 60)"
if ! grep -qxF "$expected" <<<"$out" || [ "$(grep -c 'lines long' <<<"$out")" -ne 1 ]; then
  echo "expected only \"$expected\", got:" >&2
  echo "$out" >&2
  exit 1
fi
all=$("$script" "$root" --all)
for row in "  60  editor/sample.cpp:6  sixty" "   2  editor/sample.cpp:3  Host::Host" \
           "   1  editor/sample.cpp:127  f"; do
  if ! grep -qxF "$row" <<<"$all"; then
    echo "missing \"$row\" in:" >&2
    echo "$all" >&2
    exit 1
  fi
done
if [ "$(wc -l <<<"$all")" -ne 4 ]; then
  echo "expected four functions, got:" >&2
  echo "$all" >&2
  exit 1
fi

# Without the long one, the check passes.
sed -i '/^int sixtyOne/,/^}/d' "$root/editor/sample.cpp"
"$script" "$root" >/dev/null
echo "check-function-length: behaves"
