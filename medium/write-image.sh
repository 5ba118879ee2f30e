#!/usr/bin/env bash
# Writes a medium's folder as an ISO image through discburn (Tessaly with the
# libburn engine, whose pseudo-drive is the image file). Every top-level entry
# of the folder goes to the image's root.
# Usage: write-image.sh DISCBURN FOLDER LABEL IMAGE
set -u
if [ $# -ne 4 ]; then
  echo "usage: $0 DISCBURN FOLDER LABEL IMAGE" >&2
  exit 2
fi
discburn=$1 folder=$2 label=$3 image=$4
if [ ! -x "$discburn" ]; then
  echo "$0: no discburn at $discburn: the image is written by a Linux build's discburn" \
    "(scripts/medium builds it)" >&2
  exit 3
fi
if [ ! -d "$folder" ]; then
  echo "$0: no medium folder $folder" >&2
  exit 2
fi
mapfile -d '' entries < <(find "$folder" -mindepth 1 -maxdepth 1 -print0 | sort -z)
if [ ${#entries[@]} -eq 0 ]; then
  echo "$0: the medium folder $folder is empty" >&2
  exit 2
fi
mkdir -p "$(dirname "$image")"
# A failed write must not leave the image of an earlier run looking current.
rm -f "$image"
"$discburn" write --image "$image" --label "$label" "${entries[@]}"
code=$?
if [ $code -ne 0 ]; then
  rm -f "$image"
  echo "$0: discburn failed with exit code $code" >&2
  exit $code
fi
