# Sourced by the scripts that run Windows programs: a private Wine prefix under .cache/, booted once,
# with the font name 微软雅黑 mapped to WenQuanYi Micro Hei, and a wineserver kept warm.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${DOVRANE_WINEPREFIX:-$top/.cache/wine}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Runs one step of making the prefix ready with its output kept aside in a file (Wine's service
# processes would hold a pipe open); a step that fails says so on stderr, with the end of that
# output, and returns its status.
wine_step() {   # what, command...
    local what=$1 output status=0
    shift
    output=$(mktemp) || { echo "wine-env: $what: no temporary file for its output" >&2; return 1; }
    "$@" </dev/null >"$output" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        echo "wine-env: $what failed with status $status (prefix $WINEPREFIX)" >&2
        tail -n 20 "$output" >&2
    fi
    rm -f "$output"
    return "$status"
}

# Boots the prefix and writes its settings, once each; returns non-zero, having said which step
# failed, when the prefix cannot be made ready.
wine_prefix_ready() {
    if [ ! -f "$WINEPREFIX/.dovrane-ready" ]; then
        wine_step "making the prefix's folder" mkdir -p "$WINEPREFIX" || return
        wine_step "booting the prefix (wineboot --init)" wineboot --init || return
        # wineboot returns before the prefix's first start has settled; the registry is written
        # only once its server has ended.
        wine_step "waiting for the booted prefix (wineserver -w)" timeout 300 wineserver -w || return
        wine_step "mapping the font 微软雅黑" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
            /v '微软雅黑' /t REG_SZ /d 'WenQuanYi Micro Hei' /f || return
        wine_step "waiting for the registry to be saved (wineserver -w)" timeout 300 wineserver -w || return
        touch "$WINEPREFIX/.dovrane-ready"
    fi
    # Settings added after the first boot (the marker's number counts them):
    # - Tahoma, the font of message boxes, falls back to WenQuanYi Micro Hei for Chinese text, as the
    #   system font of a Chinese Windows shows it; without the link the boxes show empty squares.
    # - Windows are not left to an X window manager (Xvfb has none): a managed window's close waits
    #   2 s for a manager's answer, which every message box and window of a test would pay.
    if [ ! -f "$WINEPREFIX/.dovrane-settings-2" ]; then
        wine_step "linking Tahoma to WenQuanYi Micro Hei" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f || return
        wine_step "leaving windows unmanaged" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f || return
        touch "$WINEPREFIX/.dovrane-settings-2"
    fi
    # - Dovrane.exe itself is left to the X window manager (a taskbar entry, Alt+Tab), as a desktop
    #   program is; only the test programs run unmanaged.
    if [ ! -f "$WINEPREFIX/.dovrane-settings-3" ]; then
        wine_step "leaving Dovrane.exe to the window manager" \
            wine reg add 'HKCU\Software\Wine\AppDefaults\Dovrane.exe\X11 Driver' /v Managed /t REG_SZ /d Y /f || return
        touch "$WINEPREFIX/.dovrane-settings-3"
    fi
    # A persistent wineserver saves the start-up of one for every test program.
    wineserver -p >/dev/null 2>&1 || true
    # Wine's service processes (services.exe, winedevice.exe, ...) live as long as the server and
    # inherit the output of the program that starts them: start them here, away from the caller's
    # output, or they hold ctest's pipe open and ctest never sees a test end.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
