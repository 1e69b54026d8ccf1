#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, when missing.
# Sourced by the other scripts; safe to run again.
tq_install_deps() {
  local pkgs=(cmake g++ ninja-build make binutils libgtest-dev libgmock-dev libbenchmark-dev
              qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev fonts-dejavu-core
              locales)
  local missing=()
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
