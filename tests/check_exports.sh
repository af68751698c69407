#!/usr/bin/env bash
# The library exports exactly the C API: the set of TSY_ names (and BankAdrs)
# it exports equals the set the public header declares, and no other function
# is exported apart from the platform extension calls (tessary_platform_*).
set -euo pipefail
lib=$1
header=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
grep -oE '\b(TSY_[A-Za-z0-9_]+|BankAdrs)[[:space:]]*\(' "$header" | tr -d ' (' | sort -u >"$tmp/declared"
nm -D --defined-only "$lib" | awk '$2 == "T" || $2 == "W" || $2 == "D" || $2 == "B" {print $3}' | sort -u >"$tmp/all"
grep -E '^(TSY_|BankAdrs$)' "$tmp/all" >"$tmp/exported" || true
status=0
if ! diff -u "$tmp/declared" "$tmp/exported" >"$tmp/diff"; then
  echo "declared (-) and exported (+) TSY_ names differ:"
  grep -E '^[-+][A-Za-z]' "$tmp/diff" || true
  status=1
fi
others=$(grep -vE '^(TSY_|BankAdrs$|tessary_platform_|_init$|_fini$|_edata$|_end$|__bss_start$)' "$tmp/all" || true)
if [ -n "$others" ]; then
  echo "exported symbols outside the C API:"
  echo "$others"
  status=1
fi
[ $status -eq 0 ] && echo "$(wc -l <"$tmp/declared") exports match the header"
exit $status
