#!/usr/bin/env bash
# The settings description for xscreensaver's settings tool: well formed
# (xmllint), and made only of the elements and attributes that the stock
# descriptions of the installed xscreensaver use, so that its settings
# dialog understands every control.
set -u
root="$(cd "$(dirname "$0")/../.." && pwd)"
ours="$root/data/xscreensaver/vexlar3d.xml"
stock_dir=/usr/share/xscreensaver/config
passed=0
failed=0
source "$(dirname "$0")/lib/common.sh"
command -v xmllint >/dev/null || { echo "missing xmllint (run scripts/install-deps.sh)"; exit 1; }
ls "$stock_dir"/*.xml >/dev/null 2>&1 || { echo "missing $stock_dir (run scripts/install-deps.sh)"; exit 1; }

if xmllint --noout "$ours"; then ok "well formed"; else fail "xmllint refuses $ours"; fi

# Element names, and attribute names per element, as "element" and
# "element@attribute", from the opening tags of the files given.
vocabulary() {
  cat "$@" | tr '\n' ' ' | grep -o '<[a-z_][a-z_-]*[^>]*>' | awk '{
    name = substr($1, 2); sub(/\/?>$/, "", name); print name
    for (i = 2; i <= NF; i++) if (match($i, /^[a-z_-]+=/)) print name "@" substr($i, 1, RLENGTH - 1)
  }' | sort -u
}
stock=$(vocabulary "$stock_dir"/*.xml)
mine=$(vocabulary "$ours")
unknown=$(comm -23 <(echo "$mine") <(echo "$stock"))
if [ -z "$unknown" ]; then ok "every element and attribute is one the stock descriptions use"
else fail "not in any stock description: $(echo $unknown)"; fi

# The name matches the executable, and the command runs it the way the daemon does.
if xmllint --xpath 'string(/screensaver/@name)' "$ours" | grep -qx vexlar3d; then ok "named vexlar3d"
else fail "the screensaver element is not named vexlar3d"; fi
if xmllint --xpath 'string(/screensaver/command/@arg)' "$ours" | grep -qx -- --root; then ok "runs with --root"
else fail "the command does not pass --root"; fi

echo "passed $passed, failed $failed"
[ "$failed" -eq 0 ]
