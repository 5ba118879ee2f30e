#!/usr/bin/env bash
# Runs the Windows launcher under Wine as an older (non-NT) Windows: the
# runtime must get no executer argument, and the launcher must end with its
# splash (20 seconds), with exit code 0.
#   older_platform_run.sh LAUNCHER RUNTIME WORK_FOLDER EMULATOR
set -u
launcher=$1 runtime=$2 work=$3 emulator=$4
medium="$work/older-medium-$$"
rm -rf "$medium"; mkdir -p "$medium/setup"
trap 'rm -rf "$medium"' EXIT
# Wine reports the version set for a program's file name.
cp "$launcher" "$medium/Velmora98.exe"; cp "$runtime" "$medium/setup/Mobrun.exe"
printf 'count-in\nwait 100\n' >"$medium/setup/mobrun-script.txt"
$emulator reg add 'HKCU\Software\Wine\AppDefaults\Velmora98.exe' /v Version /d win98 /f >/dev/null 2>&1 || exit 1
export QUILLMARK_DEMO_TRACE="$medium/trace.txt"
cd "$medium"
start=$(date +%s)
timeout 90 $emulator ./Velmora98.exe older platform
code=$?
seconds=$(( $(date +%s) - start ))
cat "$medium/trace.txt"
grep -q 'with: RADerav SetupProgram=RUZovoz Server=None Wnd=Maximized OLDER PLATFORM$' "$medium/trace.txt" ||
  { echo "the runtime's command line is not the older platforms' one"; exit 1; }
grep -q 'no Executer= argument' "$medium/trace.txt" || { echo "the runtime saw an executer"; exit 1; }
[ "$code" -eq 0 ] || { echo "exit code $code"; exit 1; }
[ "$seconds" -ge 19 ] && [ "$seconds" -le 40 ] || { echo "ended after $seconds s, not with its splash"; exit 1; }
echo "ended with its splash after $seconds s"
