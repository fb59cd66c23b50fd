#!/usr/bin/env bash
# The Wine prefix the Windows end-to-end tests run wendex.exe in: made afresh
# with its server kept running for the whole test run (start), then ended and
# removed (stop). CTest runs it as the wine fixture's setup and cleanup.
#   wine_prefix.sh start|stop WINE64 WINESERVER64 PREFIX
set -euo pipefail
action=$1 wine=$2 server=$3
export WINEPREFIX=$4 WINEDEBUG=-all

stop() {
    "$server" -k </dev/null >/dev/null 2>&1 || true # no server left: nothing to end
    rm -rf "$WINEPREFIX"
}

case $action in
start)
    stop # a prefix left by a run that was cut short
    mkdir -p "$WINEPREFIX"
    # The persistent server first: one that wineboot starts would end a few
    # seconds after its last program, and a second one cannot start beside
    # it. Nothing of Wine's may hold CTest's output pipes: the server and the
    # services wineboot starts outlive this script.
    "$server" -p </dev/null >/dev/null 2>&1
    "$wine" wineboot -i </dev/null >/dev/null 2>&1
    # A drive D: for the tests' own trees, with a label, and a label for C:
    # (README's example shows it). Wine reads a drive's label (from
    # .windows-label at its root) when its services start, so they start
    # again once the drive is there.
    mkdir -p "$WINEPREFIX/drive_d"
    printf '%s' "Wendex Test" >"$WINEPREFIX/drive_d/.windows-label"
    printf '%s' "Ann Work" >"$WINEPREFIX/drive_c/.windows-label"
    ln -s ../drive_d "$WINEPREFIX/dosdevices/d:"
    "$server" -k </dev/null >/dev/null 2>&1
    "$server" -w </dev/null >/dev/null 2>&1
    "$server" -p </dev/null >/dev/null 2>&1
    # The services start with the first program; started here, they hold
    # no test's output pipe open.
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1
    ;;
stop) stop ;;
*) echo "usage: $0 start|stop WINE64 WINESERVER64 PREFIX" >&2; exit 2 ;;
esac
