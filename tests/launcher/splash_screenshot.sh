#!/usr/bin/env bash
# Starts the launcher on a medium whose runtime only counts itself out, takes
# a screenshot of the display while the splash is up, and checks that the
# splash picture's own pixels are on the screen, centred. The launcher then
# ends by itself when its splash's 20 seconds are over (it is ended by its
# PID only if it does not), so that it leaves no shared memory behind.
#   splash_screenshot.sh LAUNCHER RUNTIME SPLASH_BMP WORK_FOLDER [EMULATOR]
set -u
launcher=$1 runtime=$2 bitmap=$3 work=$4 emulator=${5:-}
if [ -z "${DISPLAY:-}" ] || ! command -v import >/dev/null; then
  echo "no display or no screenshot tool: nothing to check"; exit 0
fi
medium="$work/screenshot-medium-$$"
rm -rf "$medium"; mkdir -p "$medium/setup"
cp "$launcher" "$medium/"; cp "$runtime" "$medium/setup/Mobrun.exe"
printf 'count-out\n' >"$medium/setup/mobrun-script.txt"
export QUILLMARK_DEMO_TRACE="$medium/trace.txt"
cd "$medium"
$emulator "./$(basename "$launcher")" &
pid=$!
finish() {
  for _ in $(seq 1 150); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
  kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$medium"
}
trap finish EXIT

read -r sw sh < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
left=$(( (sw - 480) / 2 )) top=$(( (sh - 350) / 2 ))
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null; }
# The splash's picture starts at its window's corner, or one pixel in when the
# window has a border drawn around its client area.
for attempt in $(seq 1 100); do
  sleep 0.2
  import -window root "$medium/screen.png" 2>/dev/null || continue
  for inset in 0 1; do
    good=1
    for point in "100 100" "360 120" "240 175" "150 150" "20 300" "470 20"; do
      set -- $point
      want=$(pixel "$bitmap" "$1" "$2")
      got=$(pixel "$medium/screen.png" $((left + inset + $1)) $((top + inset + $2)))
      [ "$want" = "$got" ] || { good=0; break; }
    done
    if [ $good = 1 ]; then
      cp "$medium/screen.png" "$work/splash-screenshot.png"
      echo "splash picture found centred at $((left + inset)),$((top + inset)) on a ${sw}x${sh} screen"
      exit 0
    fi
  done
done
echo "the splash picture did not appear centred on the screen"
exit 1
