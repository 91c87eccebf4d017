#!/usr/bin/env bash
# Installs what the build, the demo and the tests need on a fresh Debian 12 machine.
# Safe to run again: it only installs what is missing.
set -euo pipefail

pkgs=(cmake g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
      g++-mingw-w64-x86-64 libz-mingw-w64-dev zlib1g-dev
      wine64 wine xvfb xauth x11-utils xdotool fonts-ipafont-gothic imagemagick
      python3 locales openssl ca-certificates)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine needs a generated Japanese locale, or GetACP() answers 1252 and every
# Shift_JIS text breaks silently.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo "ja_JP.UTF-8 UTF-8" >> /etc/locale.gen
  locale-gen >/dev/null
fi
