#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; only
# what is missing, after one apt-get update.
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3
  libpcsclite-dev pcscd vsmartcard-vpcd
  libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
