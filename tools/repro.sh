#!/usr/bin/env bash
# Builds tavorinex.scr twice from the same sources, each copy at a path of its own, and compares
# the bytes: a release must depend neither on when nor on where it was built.
set -euo pipefail
cd "$(dirname "$0")/.."

work=build/repro
rm -rf "$work"
builds=()
for copy in one second-copy; do
  source_dir="$work/$copy"
  mkdir -p "$source_dir"
  # The working tree as it would be committed: tracked files and new ones not ignored.
  git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$source_dir"
  (cd "$source_dir" && cmake --preset windows >/dev/null &&
    cmake --build --preset windows --target tavorinex_scr >/dev/null)
  builds+=("$source_dir/build/windows/tavorinex.scr")
done

if ! cmp "${builds[@]}"; then
  echo "repro: two builds of the same sources differ" >&2
  exit 1
fi
echo "repro: both builds are the same $(stat -c %s "${builds[0]}") bytes," \
  "SHA-256 $(sha256sum "${builds[0]}" | cut -d' ' -f1)"
