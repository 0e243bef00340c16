#!/usr/bin/env bash
# Prepares a Debian 12 machine to build, run and test 岚栖钟卫: the packages, the zh_CN.UTF-8
# locale (Wine takes code page 936 from it) and a Wine prefix template. Safe to run again: it
# only does what is missing. Run as root on a fresh machine; as another user it checks and
# tells what is missing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib/wine.sh
source "$here/lib/wine.sh"

packages=(
  # native build and tests
  g++ cmake ninja-build googletest libcurl4-openssl-dev valgrind
  # fuzzers: clang with its libFuzzer runtime
  clang libclang-rt-14-dev
  # the Windows exe and its tests under Wine
  g++-mingw-w64-x86-64 wine wine64 xvfb x11-utils imagemagick fonts-wqy-microhei locales
  # hermetic network tests: namespaces, firewall rules, HTTP-date tool
  iproute2 nftables htpdate util-linux
  git ca-certificates
  # the release zip and the setup (scripts/release.sh, scripts/make_setup.sh)
  zip nsis
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  if ((EUID != 0)); then
    echo "setup: missing packages (run this script as root): ${missing[*]}" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  if ((EUID != 0)); then
    echo "setup: the zh_CN.UTF-8 locale is not generated (run this script as root)" >&2
    exit 1
  fi
  echo "setup: generating the zh_CN.UTF-8 locale"
  if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen
fi

echo "setup: Wine prefix template in $(lanqi_template_dir)"
lanqi_ensure_template
echo "setup: done"
