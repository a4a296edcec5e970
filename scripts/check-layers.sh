#!/usr/bin/env bash
# Fails when a source file includes a header its layer must not see:
#   - no Qt at all in srcp/, texts/, the top of platform/ and loco/input/;
#   - no Qt Widgets in engine/ and platform/qt/;
#   - sockets only in platform/, the kernel's input interface only in loco/input/.
# The build enforces most of this through the libraries each target links; this check also catches
# a header that reaches a folder through an include path it happens to have.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
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
