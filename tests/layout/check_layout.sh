#!/usr/bin/env bash
# Keeps the tree's promise about Qt, folder by folder: korvex-cli includes from
# app/ only what sits in a rules/ folder, and no file in a rules/ folder
# includes a Qt header, or an app/ header outside rules/ (which could bring Qt
# in). Prints each broken include as file:line: and fails.
# Usage: check_layout.sh SOURCE_DIR
set -uo pipefail
cd "${1:?source folder}" || exit 2
[[ -d app && -d cli ]] || { echo "not the source tree: $1" >&2; exit 2; }

include='[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]'
app_outside_rules="^${include}app/"'([^/">]+/)*[^/">]+[">]'
# The same line as grep -n shows it, when what it includes is in a rules/ folder.
app_rules_hit="^[^:]+:[0-9]+:${include}app/"'([^/">]+/)*rules/[^/">]+[">]'
qt_header="^${include}"'(Q[A-Za-z0-9_]*|Qt[A-Za-z0-9]*/[^">]*|q[a-z0-9_]*\.h)[">]'
sources=(--include='*.cpp' --include='*.h')
mapfile -t rules_folders < <(find app tests/app -type d -name rules)

broken=$(
    grep -rnE "${sources[@]}" "$app_outside_rules" cli | grep -vE "$app_rules_hit"
    ((${#rules_folders[@]})) || exit 0
    grep -rnE "${sources[@]}" "$qt_header" "${rules_folders[@]}"
    grep -rnE "${sources[@]}" "$app_outside_rules" "${rules_folders[@]}" |
        grep -vE "$app_rules_hit"
)
if [[ -n $broken ]]; then
    echo "korvex-cli and rules/ folders may include from app/ only rules/ headers, and rules/ no Qt:" >&2
    echo "$broken" >&2
    exit 1
fi
echo "layout kept: ${#rules_folders[@]} rules/ folders"
