#!/usr/bin/env bash
# Fails when a source file includes a header its layer must not see:
#   - our own folders include only their own layer and the layers below it (table below), never one
#     above or beside them;
#   - no Qt at all in srcp/, texts/, the top of platform/ and loco/input/;
#   - no Qt Widgets in engine/ and platform/qt/;
#   - sockets only in platform/, the kernel's input interface only in loco/input/.
# The build enforces most of this through the libraries each target links; this check also catches
# a header that reaches a folder through an include path it happens to have.
# Usage: check-layers.sh [source tree] (default: the tree this script lies in).
set -uo pipefail
here=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$here" || exit 1

widgets_dir=$(find /usr/include -maxdepth 3 -type d -name QtWidgets 2>/dev/null | head -n 1)
if [ -z "$widgets_dir" ]; then
    echo "check-layers: Qt Widgets headers not found (is qt6-base-dev installed?)" >&2
    exit 1
fi
# Every class header of the Widgets module, as "<QWidget>" and "<QtWidgets/...>".
widget_headers=$(ls "$widgets_dir" | grep -E '^Q[A-Za-z0-9]+$')

sources() { # folders... (top level only when a folder ends in /.)
    local d
    for d in "$@"; do
        case $d in
        */.) find "${d%/.}" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null ;;
        *) find "$d" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null ;;
        esac
    done | sort
}

status=0
report() { # message; the offending lines come on stdin
    local lines
    lines=$(cat)
    if [ -n "$lines" ]; then
        echo "check-layers: $1"
        echo "$lines" | sed 's/^/  /'
        status=1
    fi
}

# The folders each layer may include from. "platform" is the top of platform/ only, without Qt;
# a header included without a folder lies beside the file that includes it.
allowed_folders() { # folder of a source file
    case $1 in
    platform) echo "platform" ;;
    platform/qt) echo "platform platform/qt" ;;
    platform/qtwidgets) echo "platform platform/qt platform/qtwidgets" ;;
    texts) echo "texts" ;;
    srcp) echo "srcp platform" ;;
    engine) echo "engine srcp platform platform/qt texts" ;;
    loco/input) echo "loco/input platform" ;;
    loco) echo "loco loco/input engine srcp platform platform/qt platform/qtwidgets texts" ;;
    ui) echo "ui loco loco/input engine srcp platform platform/qt platform/qtwidgets texts" ;;
    tools) echo "tools texts platform platform/qt" ;;
    *) return 1 ;;
    esac
}

layer_violations() {
    local file folder allowed rules=""
    for file in $(sources platform srcp texts engine loco ui tools); do
        folder=$(dirname "$file")
        if allowed=$(allowed_folders "$folder"); then
            rules+="$folder=$allowed;"
        else
            echo "$file: folder $folder has no place in the layers"
        fi
    done
    # shellcheck disable=SC2046
    awk -v rules="$rules" '
        BEGIN {
            n = split(rules, entries, ";")
            for (i = 1; i <= n; i++) {
                if (split(entries[i], kv, "=") == 2)
                    allowed[kv[1]] = kv[2]
            }
        }
        FNR == 1 { folder = FILENAME; sub(/\/[^\/]*$/, "", folder) }
        /^[ \t]*#[ \t]*include[ \t]*("|<(platform|texts|srcp|engine|loco|ui|tools)\/)/ {
            path = $0
            sub(/^[ \t]*#[ \t]*include[ \t]*["<]/, "", path)
            sub(/[">].*$/, "", path)
            if (path !~ /\//)
                next # beside the including file
            target = path
            sub(/\/[^\/]*$/, "", target)
            if (path !~ /^\.\.?\// && path !~ /\/\.\.\// && target !~ /^(platform|texts|srcp|engine|loco|ui|tools)(\/|$)/)
                next # not one of our folders
            if (index(" " allowed[folder] " ", " " target " ") == 0)
                printf "%s:%d: includes %s (%s/ may include only: %s)\n", FILENAME, FNR, path, folder, allowed[folder]
        }' $(sources platform srcp texts engine loco ui tools)
}
report "include that goes up or beside its layer" < <(layer_violations)

qt_free=$(sources srcp texts platform/. loco/input)
widget_free=$(sources engine platform/qt)

if [ -n "$qt_free" ]; then
    # shellcheck disable=SC2086
    report "Qt header in a Qt-free layer" < <(grep -n -E '^\s*#\s*include\s*<Qt?[A-Z][A-Za-z0-9]*(/|>)' $qt_free)
fi
if [ -n "$widget_free" ]; then
    pattern="^\\s*#\\s*include\\s*<(QtWidgets/|($(echo "$widget_headers" | paste -sd'|'))>)"
    # shellcheck disable=SC2086
    report "Qt Widgets header below the windows" < <(grep -n -E "$pattern" $widget_free)
fi

not_platform=$(sources srcp texts engine loco ui tools)
if [ -n "$not_platform" ]; then
    # shellcheck disable=SC2086
    report "socket header outside platform/" < <(grep -n -E '^\s*#\s*include\s*<(sys/socket\.h|netdb\.h|netinet/|arpa/inet\.h)' $not_platform)
fi
not_input=$(sources platform srcp texts engine ui tools; find loco -type f \( -name '*.cpp' -o -name '*.h' \) -not -path 'loco/input/*' 2>/dev/null)
if [ -n "$not_input" ]; then
    # shellcheck disable=SC2086
    report "input-device header outside loco/input/" < <(grep -n -E '^\s*#\s*include\s*<(libevdev/|linux/input)' $not_input)
fi

[ $status -eq 0 ] && echo "check-layers: every layer includes only what it may"
exit $status
