#!/usr/bin/env bash
# Checks that every include points down the layers: a folder includes only from itself and
# from the folders listed below it here. Prints each include that points elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."

platform_base="platform/system platform/threads"
declare -A allowed=(
    [platform/system]=""
    [platform/threads]="platform/system"
    [platform/serial]="$platform_base"
    [platform/registry]="$platform_base"
    [platform/resource]="platform/system"
    [platform/window]="$platform_base platform/resource"
    [platform/gui]="$platform_base platform/resource platform/window"
    [platform/framework]="$platform_base platform/resource platform/window platform/gui"
    [platform/terminal]="$platform_base platform/resource platform/window"
    [platform/pixel]="$platform_base platform/resource platform/window"
    [platform/testing]="$platform_base platform/serial platform/resource platform/window"
    [serial]="$platform_base platform/serial"
    [relay]="$platform_base platform/serial serial"
    [resources]="platform/system platform/resource"
    [ports]="platform/system platform/registry platform/resource platform/gui platform/framework
             resources"
    [dialog]="$platform_base platform/serial platform/registry platform/resource platform/window
              platform/gui platform/framework serial relay resources ports"
    [sim]="$platform_base platform/serial"
    [check]="$platform_base platform/registry platform/resource resources ports"
    [app]="$platform_base platform/serial platform/registry platform/resource platform/window
           platform/gui platform/framework serial relay resources ports dialog"
)

# The folder a file belongs to: the longest key of `allowed` that prefixes its path.
folder_of() {
    local path=$1 best="" key
    for key in "${!allowed[@]}"; do
        [[ $path == "$key"/* && ${#key} -gt ${#best} ]] && best=$key
    done
    echo "$best"
}

bad=0
while IFS= read -r file; do
    folder=$(folder_of "$file")
    [[ -n $folder ]] || continue
    while IFS= read -r target; do
        target_folder=$(folder_of "$target")
        [[ -z $target_folder || $target_folder == "$folder" ]] && continue
        if [[ " ${allowed[$folder]//$'\n'/ } " != *" $target_folder "* ]]; then
            echo "$file includes $target: $folder may not depend on $target_folder"
            bad=1
        fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files '*.h' '*.cpp')
exit $bad
