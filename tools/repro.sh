#!/usr/bin/env bash
# Builds tavorinex.scr and its release package twice from the same sources, each copy at a path
# of its own, and compares the bytes: a release must depend neither on when nor on where it was
# built. The copies have no git history, so the package takes its fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."

work=build/repro
rm -rf "$work"
for copy in one second-copy; do
  source_dir="$work/$copy"
  mkdir -p "$source_dir"
  # The working tree as it would be committed: tracked files and new ones not ignored.
  git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$source_dir"
  # CPack itself rather than the package target, which would build the tests too.
  (cd "$source_dir" && cmake --preset windows >/dev/null &&
    cmake --build --preset windows --target tavorinex_scr >/dev/null &&
    cd build/windows && cpack --config CPackConfig.cmake >/dev/null)
done

one=$work/one/build/windows
for file in "$one"/tavorinex.scr "$one"/tavorinex-*-win32.zip{,.sha256}; do
  if ! cmp "$file" "$work/second-copy/build/windows/${file##*/}"; then
    echo "repro: two builds of the same sources differ in ${file##*/}" >&2
    exit 1
  fi
done
echo "repro: both builds are the same $(stat -c %s "$one/tavorinex.scr") bytes," \
  "SHA-256 $(sha256sum "$one/tavorinex.scr" | cut -d' ' -f1); the same package," \
  "SHA-256 $(cut -d' ' -f1 "$one"/tavorinex-*-win32.zip.sha256)"
