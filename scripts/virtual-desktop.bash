# The one way the system checks start a virtual desktop and Wine. Sourced,
# not run, by check-keyboard, check-gtk-chooser, check-wine-chooser,
# check-windows-installer, screenshot and wine-run:
#
#   . "$(dirname "$0")/virtual-desktop.bash"
#   desktop_start [--size WxH] [--window-manager] [--session-bus] [--keep-display]
#
# desktop_start makes a scratch folder ($desktop_scratch, with the session's
# home in it), starts Xvfb on a display number the server picks itself
# (-displayfd: two checks started at the same moment never race for one), and
# on request Openbox and a D-Bus session bus. The session is Simplified
# Chinese, with no platform theme or window system chosen from outside.
# Everything it and desktop_spawn started is stopped, and the scratch folder
# removed, when the script exits; desktop_at_exit adds a command to run first.
# --keep-display uses the display the script was given, if any.

desktop_name=${0##*/}
desktop_pids=()
desktop_exit_commands=()
desktop_scratch=
desktop_home=

desktop_fail() {
    echo "$desktop_name: FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ] && [ -n "$desktop_scratch" ]; then
        import -window root "${TMPDIR:-/tmp}/$desktop_name-failed.png" 2>/dev/null &&
            echo "$desktop_name: the screen: ${TMPDIR:-/tmp}/$desktop_name-failed.png" >&2
    fi
    exit 1
}

desktop_at_exit() { desktop_exit_commands+=("$1"); }

desktop_stop() {
    local command i
    for command in "${desktop_exit_commands[@]}"; do
        eval "$command" || true
    done
    # The last started first: the program before its window manager and display.
    for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
        kill "${desktop_pids[i]}" 2>/dev/null || true
    done
    [ -z "$desktop_scratch" ] || rm -rf "$desktop_scratch"
}

# Runs a command in the background until the script ends; its process id is
# left in $desktop_spawned.
desktop_spawn() {
    "$@" &
    desktop_spawned=$!
    desktop_pids+=("$desktop_spawned")
}

# Waits up to DESKTOP_WAIT seconds (60: a machine busy with builds took over
# ten seconds to show a window) until the command succeeds. When
# $desktop_watched is set, that process ending first is a failure too.
desktop_wait_until() {
    local what=$1 tries
    shift
    for ((tries = ${DESKTOP_WAIT:-60} * 10; tries > 0; tries--)); do
        "$@" && return 0
        if [ -n "${desktop_watched:-}" ] && ! kill -0 "$desktop_watched" 2>/dev/null; then
            desktop_fail "the program ended while waiting for $what"
        fi
        sleep 0.1
    done
    desktop_fail "still waiting for $what after ${DESKTOP_WAIT:-60} s"
}

# How many windows matching xdotool's search arguments are on screen,
# override-redirect popups included.
desktop_windows() { xdotool search --onlyvisible "$@" 2>/dev/null | wc -l; }
desktop_windows_are() {
    local count=$1
    shift
    [ "$(desktop_windows "$@")" -eq "$count" ]
}

desktop_focused_is() { [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$1" ]; }

# Gives the keyboard to the window of that exact title.
desktop_focus() {
    xdotool search --onlyvisible --name "^$1\$" windowactivate --sync >/dev/null 2>&1 || true
    desktop_wait_until "the keyboard on $1" desktop_focused_is "$1"
    sleep 0.5
}

desktop_start() {
    local size=1024x768 window_manager=0 session_bus=0 keep_display=0
    while [ $# -gt 0 ]; do
        case $1 in
        --size) size=$2; shift 2 ;;
        --window-manager) window_manager=1; shift ;;
        --session-bus) session_bus=1; shift ;;
        --keep-display) keep_display=1; shift ;;
        *) echo "desktop_start: unknown option $1" >&2; exit 2 ;;
        esac
    done
    desktop_scratch=$(mktemp -d -t "captiloom-$desktop_name.XXXXXX")
    trap desktop_stop EXIT
    if [ "$keep_display" = 0 ] || [ -z "${DISPLAY:-}" ]; then
        desktop_spawn Xvfb -displayfd 3 -nolisten tcp -screen 0 "${size}x24" -dpi 96 \
            3>"$desktop_scratch/display" >"$desktop_scratch/xvfb.log" 2>&1
        desktop_wait_until "the virtual display" test -s "$desktop_scratch/display"
        DISPLAY=:$(head -n 1 "$desktop_scratch/display")
        export DISPLAY
    fi
    desktop_home=$HOME
    export HOME=$desktop_scratch/home XDG_RUNTIME_DIR=$desktop_scratch/runtime
    export LANG=zh_CN.UTF-8 LANGUAGE=zh_CN
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_SCALE_FACTOR \
        XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION DBUS_SESSION_BUS_ADDRESS
    mkdir -p "$HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    # GTK and Wine translate through the C library, which needs the locale
    # compiled; where the system has none, a private copy leaves it alone.
    if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
        localedef -i zh_CN -f UTF-8 "$desktop_scratch/locale/zh_CN.UTF-8" 2>/dev/null || true
        export LOCPATH=$desktop_scratch/locale
    fi
    if [ "$session_bus" = 1 ]; then
        desktop_spawn dbus-daemon --session --nofork --print-address=1 >"$desktop_scratch/bus"
        desktop_wait_until "the session bus" test -s "$desktop_scratch/bus"
        DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$desktop_scratch/bus")
        export DBUS_SESSION_BUS_ADDRESS
    fi
    if [ "$window_manager" = 1 ]; then
        desktop_spawn openbox --sm-disable >"$desktop_scratch/openbox.log" 2>&1
        desktop_wait_until "Openbox" eval "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'"
    fi
}

# Builds the program in ${CAPTILOOM_BUILD_DIR:-build}, configuring a new
# folder first, and prints its full path.
desktop_build_program() {
    local build_dir=${CAPTILOOM_BUILD_DIR:-build}
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build_dir" --target captiloom >&2
    realpath "$build_dir/src/captiloom"
}

# A Unix path as Wine's Windows side sees it: Wine maps / to drive Z:.
wine_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# Finds Wine (Debian's wine64 keeps its loader and server off PATH) and sets
# up the environment every Windows program here runs in: the prefix in
# $WINEPREFIX (CAPTILOOM_WINEPREFIX, or one in the user's own cache, kept
# between runs, even under desktop_start's home), a
# Simplified-Chinese locale, so ANSI code page 936, and no offer to install
# Mono or Gecko, nor a debugger that would wait for a click after a crash.
wine_environment() {
    wine=$(command -v wine64 2>/dev/null || dpkg -L wine64 2>/dev/null | grep '/wine64$' | head -n 1 || true)
    wineserver=$(command -v wineserver 2>/dev/null ||
        dpkg -L wine64 2>/dev/null | grep '/wineserver64$' | head -n 1 || true)
    if [ -z "$wine" ] || [ -z "$wineserver" ]; then
        echo "$desktop_name: no wine64 (scripts/install-dependencies windows)" >&2
        exit 2
    fi
    export WINEPREFIX=${CAPTILOOM_WINEPREFIX:-${XDG_CACHE_HOME:-${desktop_home:-$HOME}/.cache}/captiloom/wine}
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" LC_ALL=zh_CN.UTF-8
    unset LANGUAGE
}
