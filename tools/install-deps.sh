#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# Usage: tools/install-deps.sh PACKAGE...   (none given: the build and test set)
# A package named NAME:i386 is a 32-bit one; the i386 architecture is added
# to dpkg first. Installing needs root: as another user the script uses sudo
# where there is one, and otherwise stops at once with the command to run.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  packages=(cmake make g++ libgtest-dev libpng-dev pkg-config libdeflate-dev libstb-dev)
fi
# Each package once, in the order given (callers join lists that overlap).
missing=()
declare -A seen=()
for package in "${packages[@]}"; do
  [ -z "${seen[$package]:-}" ] || continue
  seen[$package]=1
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

needs_i386=false
for package in "${missing[@]}"; do
  case "$package" in *:i386) needs_i386=true ;; esac
done
if $needs_i386 && dpkg --print-foreign-architectures | grep -qx i386; then needs_i386=false; fi

# The packages, and the one command that installs them as root.
stop_with_root_command() {
  echo "error: these Debian packages are missing: ${missing[*]}" >&2
  echo "Installing them needs root, and $1. As root, run:" >&2
  $needs_i386 && printf '  dpkg --add-architecture i386 &&' >&2
  echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
}

announce() {
  echo "Installing missing Debian packages$1 (a few minutes on a fresh machine): ${missing[*]}"
}

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || stop_with_root_command "there is no sudo here"
  # Said before sudo may ask for a password, so that the prompt comes with
  # its reason.
  announce " with sudo"
  as_root=(sudo)
  # Without a terminal there is nobody to type a password.
  [ -t 0 ] || as_root=(sudo -n)
  # Asked once, up front: a user who may not use sudo, or not for apt-get
  # (or whose sudo needs a password nobody can type), gets the command, not
  # a failed apt-get.
  if [ -t 0 ]; then sudo -v; else sudo -n true; fi 2>/dev/null ||
    stop_with_root_command "sudo did not give it here"
  sudo -n -l apt-get >/dev/null 2>&1 || stop_with_root_command "sudo does not let you run apt-get here"
else
  announce ""
fi
if $needs_i386; then quietly "${as_root[@]}" dpkg --add-architecture i386; fi
# apt's and dpkg's chatter is shown only when something fails.
quietly "${as_root[@]}" apt-get update
quietly "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
echo "Installed: ${missing[*]}"
