#!/usr/bin/env bash
# Writes the demo medium as an image through discburn, extracts it with
# xorriso, checks its label and its files, and starts the launcher from the
# extracted medium the way the medium's autorun does: on Linux the autostart
# file, under Wine the autorun.inf's open= line on a drive letter of its own.
# Passes only when the demo runtime's whole script ran and the launcher served
# it to the end.
# Usage: medium_image_test.sh DISCBURN MEDIUM LABEL WORKDIR [WINE-RUNNER]
# Exit 77 (skipped) when a Windows medium has no Linux discburn to write it.
set -u
discburn=$1 medium=$2 label=$3 work=$(realpath -m "$4") wine=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
writer=$here/../../medium/write-image.sh
fail() { echo "FAIL: $*"; exit 1; }

if [ -n "$wine" ] && [ ! -x "$discburn" ]; then
  echo "SKIP: no Linux discburn at $discburn to write the Windows medium's image (build the linux preset first)"
  exit 77
fi
command -v xorriso >/dev/null || fail "xorriso is missing (scripts/install-deps installs it)"

image=$work/medium.iso
extracted=$work/extracted
trace=$work/trace.txt
drive=
launcher_pid=
# A run cut short ends the launcher and, on Linux, every program started from
# the extracted medium (the launcher starts them in sessions of their own).
# Under Wine the prefix fixture's end stops them.
cleanup() {
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
  if [ -z "$wine" ] && [ -d "$extracted" ]; then
    for process in /proc/[0-9]*; do
      case "$(readlink "$process/exe" 2>/dev/null)" in
        "$extracted"/*) kill "${process#/proc/}" 2>/dev/null ;;
      esac
    done
  fi
  [ -n "$drive" ] && rm -f "$drive"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
# The image restores its files' modes: make an earlier extraction removable.
[ -d "$work" ] && chmod -R u+w "$work"
rm -rf "$work"
mkdir -p "$work"

"$writer" "$discburn" "$medium" "$label" "$image" >"$work/write.log" 2>&1 ||
  { cat "$work/write.log"; fail "writing the image failed"; }
xorriso -osirrox on -indev "$image" -extract / "$extracted" >"$work/extract.log" 2>&1 ||
  { cat "$work/extract.log"; fail "extracting the image failed"; }

volume=$(xorriso -indev "$image" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: //p')
[ "$volume" = "$label" ] || fail "volume label '$volume', expected '$label'"
diff -r "$medium" "$extracted" || fail "the extracted medium differs from the medium folder"

: >"$trace"
export QUILLMARK_DEMO_TRACE=$trace
start=$(date +%s%N)
if [ -z "$wine" ]; then
  [ -x "$extracted/autorun" ] || fail "the autostart file is missing or not executable on the medium"
  # A desktop may run it from any folder: it finds the medium by itself.
  (cd / && exec "$extracted/autorun") &
  launcher_pid=$!
  root=$extracted sep=/ drive_root=/
else
  inf=$(tr -d '\r' <"$extracted/autorun.inf")
  open=$(sed -n 's/^open=//p' <<<"$inf")
  icon=$(sed -n 's/^icon=//p' <<<"$inf")
  [ -n "$open" ] || fail "autorun.inf has no open= line"
  [ -f "$extracted/${icon%,*}" ] || fail "autorun.inf's icon '$icon' is not on the medium"
  command -v wrestool >/dev/null || fail "wrestool is missing (scripts/install-deps installs icoutils)"
  wrestool -l --type=14 "$extracted/${icon%,*}" | grep -q group_icon ||
    fail "autorun.inf's icon file ${icon%,*} carries no icon"
  # The medium gets a drive letter of its own in the prefix, as an inserted disc does.
  prefix=${WINEPREFIX:?the Wine prefix is not set}
  drive=$prefix/dosdevices/m:
  rm -f "$drive"
  ln -s "$extracted" "$drive"
  read -r -a command <<<"$open"
  (cd "$extracted" && exec "$wine" "${command[@]}") &
  launcher_pid=$!
  root=M: sep='\' drive_root='M:\'
fi
# A launcher that never ends is ended here, within the test's own deadline.
for _ in $(seq 900); do
  kill -0 "$launcher_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$launcher_pid" 2>/dev/null && { cat "$trace"; fail "the launcher did not end within 90 s"; }
wait "$launcher_pid"
code=$?
launcher_pid=
milliseconds=$((($(date +%s%N) - start) / 1000000))
seconds=$(printf '%d.%d' $((milliseconds / 1000)) $((milliseconds % 1000 / 100)))
[ "$code" -eq 0 ] || { cat "$trace"; fail "the launcher ended with exit code $code"; }
# The script's last count-out comes 21.5 s after the runtime's start: a
# launcher that ended earlier did not serve its clients to the end.
[ "$milliseconds" -ge 21500 ] && [ "$milliseconds" -lt 60000 ] ||
  { cat "$trace"; fail "the run took $seconds s, expected 21.5 to 60"; }

# The runtime's steps, in the script's order, on the medium's own paths.
win_root=$root
[ -z "$wine" ] && win_root=$(tr / '\\' <<<"$extracted")
from_root=${win_root#M:}
from_root=${from_root#\\}
expected_runtime="[runtime] started in $root${sep}setup with: RADerav SetupProgram=RUZovoz Server=None Wnd=Maximized Executer=VeraVODEveda AUTORUN
[runtime] attached to the executer's bus VeraVODEveda
[runtime] count in (0xE005)
[runtime] start with CreateProcess (0xE001): $win_root\\programs\\QuillmarkDemo.exe started-by-CreateProcess
[runtime] start with WinExec (0xE002), show mode 5: QuillmarkDemo.exe started-by-WinExec with\\backslash-in-an-argument
[runtime] start with WinExec (0xE002), show mode 5: $from_root\\programs\\QuillmarkDemo.exe started-by-WinExec from-the-root
[runtime] ping (0xE003)
[runtime] ping answered (0xE004)
[runtime] wait 21000 ms
[runtime] count out (0xE000)
[runtime] wait 500 ms
[runtime] count out (0xE000)
[runtime] ends with 0"
# The programs, each in the folder its request implies; they run on their own, in any order.
expected_programs=$(sort <<EOF
[program] QuillmarkDemo started in $root${sep}programs with: started-by-CreateProcess
[program] QuillmarkDemo started in $root${sep}programs with: started-by-WinExec with\\backslash-in-an-argument
[program] QuillmarkDemo started in $drive_root with: started-by-WinExec from-the-root
EOF
)
# The runtime and the programs write to the trace on their own and may end
# after the launcher: give them a moment.
for _ in $(seq 50); do
  [ "$(grep -c '^\[program\]' "$trace")" -ge 3 ] && grep -q '^\[runtime\] ends with' "$trace" && break
  sleep 0.1
done
ok=1
diff <(echo "$expected_runtime") <(grep -v '^\[program\]' "$trace") || ok=
diff <(echo "$expected_programs") <(grep '^\[program\]' "$trace" | sort) || ok=
[ -n "$ok" ] || { echo "--- trace:"; cat "$trace"; fail "the trace differs from the demo script's steps (above)"; }
echo "PASS: $label written, extracted and run in $seconds s; every step of the demo script passed"
chmod -R u+w "$work"
rm -rf "$work"
