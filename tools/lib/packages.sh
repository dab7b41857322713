# shellcheck shell=bash
# Debian packages for the scripts; sourced, not run.
#   . tools/lib/packages.sh
#   install_packages <package>...   installs those not yet present with apt-get (as root, or
#                                   through sudo)

install_packages() {
  local package missing=() sudo=""
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
