#!/bin/sh
# start: create the prefix if needed and keep a wineserver running for the run.
# stop: end that wineserver.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
case "$1" in
  start)
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    # No crash debugger: a crashing test must end, not wait for a debugger.
    for view in 32 64; do
      wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f /reg:$view \
        </dev/null >/dev/null 2>&1
    done
    # The server must not hold ctest's output pipe, or the test never ends.
    wineserver -p </dev/null >/dev/null 2>&1
    # Start Wine's own services now, detached from ctest's pipes; a service
    # started by a test would keep that test's output open until the end.
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1
    ;;
esac
exit 0
