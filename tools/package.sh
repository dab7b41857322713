#!/usr/bin/env bash
# Makes TARN's packages and checks them; they land in out/packages/ (or the folder given).
#   tools/package.sh [deb] [folder]
#       the Debian package tarn_<version>_amd64.deb from the release build (folder build/, which
#       is configured when missing): its contents, lintian (no error), both manual pages and
#       the desktop entry are checked; then, as root (or through sudo), it is installed with
#       apt-get, the installed front end runs the installed example headless with the installed
#       stand-in model from a temporary folder, with nothing of the checkout on its path, and
#       the package is purged again, leaving nothing behind. Prints the package's size and the
#       time to install and remove it.
#   tools/package.sh windows [folder]
#       the zip TARN_<version>_windows_x64.zip of the MinGW build (folder build-windows/): the
#       driver, the stand-in model, the example and a README (tools/wine_test.sh runs it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
what=${1:-deb}
packages=$(mkdir -p "${2:-out/packages}" && cd "${2:-out/packages}" && pwd)

# make_package <build folder> <generator>: the package cpack makes there of the build.
make_package() {
  cpack --config "$1/CPackConfig.cmake" -G "$2" -B "$packages" >/dev/null
  rm -rf "$packages/_CPack_Packages"
}

if [ "$what" = windows ]; then
  tools/install-deps.sh windows
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target TARN_DoduVovuv TolvaModel >/dev/null
  make_package build-windows ZIP
  zip=$(ls "$packages"/TARN_*_windows_x64.zip)
  echo "$zip: $(($(stat -c %s "$zip") / 1024)) kB"
  exit 0
fi
[ "$what" = deb ] || {
  echo "usage: tools/package.sh [deb|windows] [folder]" >&2
  exit 2
}

tools/install-deps.sh all
tools/install-deps.sh package
[ -f build/CMakeCache.txt ] || cmake --preset release -DTARN_WERROR="${TARN_WERROR:-OFF}" >/dev/null
cmake --build --preset release --target TARN_SB TARN_DoduVovuv TolvaModel package_files >/dev/null
rm -f "$packages"/tarn_*.deb
make_package build DEB
deb=$(ls "$packages"/tarn_*_amd64.deb)
work=$(mktemp -d)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# The package never stays installed, even when this script stops half-way.
installed_here=0
clean_up() {
  [ "$installed_here" -eq 0 ] || $sudo apt-get purge -y -qq tarn >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap clean_up EXIT
failed=0
fail() {
  echo "FAILED  $*"
  failed=1
}

# What the package holds.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents"
for file in /usr/bin/TARN_SB /usr/bin/TARN_DoduVovuv /usr/libexec/tarn/launchers/wine \
  /usr/libexec/tarn/launchers/slurm /usr/libexec/tarn/stand-in-model/TolvaModel.exe \
  /usr/share/man/man1/TARN_SB.1.gz /usr/share/man/man1/TARN_DoduVovuv.1.gz \
  /usr/share/applications/TARN_SB.desktop /usr/share/metainfo/TARN_SB.metainfo.xml \
  /usr/share/icons/hicolor/48x48/apps/tarn.png /usr/share/icons/hicolor/256x256/apps/tarn.png \
  /usr/share/tarn/examples/GW_Test.tol /usr/share/doc/tarn/copyright; do
  grep -qx "$file" "$work/contents" || fail "the package lacks $file"
done
echo "$deb: $(($(stat -c %s "$deb") / 1024)) kB, installed $(dpkg-deb -f "$deb" Installed-Size) kB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

# lintian: no error; its warnings are shown (lintian --info explains them).
status=0
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian" || true
[ "$status" -eq 0 ] || fail "lintian reports an error"

# Both manual pages render without a warning, and the desktop entry is valid.
dpkg-deb -x "$deb" "$work/tree"
for page in "$work"/tree/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man -l $(basename "$page"): $warnings"
done
desktop-file-validate "$work"/tree/usr/share/applications/TARN_SB.desktop ||
  fail "desktop-file-validate"

# Installed, run and purged.
if dpkg -s tarn >/dev/null 2>&1; then
  echo "tarn is installed on this machine: remove it first (apt-get purge tarn)" >&2
  exit 1
fi
dpkg-query -W -f '${Package}\n' | sort >"$work/packages.before"
# The package's files and folders that are there before it (folders of other packages).
while IFS= read -r path; do [ ! -e "$path" ] || echo "$path"; done <"$work/contents" \
  >"$work/there.before"
started=$(date +%s.%N)
installed_here=1
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >"$work/install.log" 2>&1 || {
  cat "$work/install.log"
  fail "apt-get install"
}
installed=$(date +%s.%N)
mkdir "$work/run" "$work/home"
# The run starts from an empty folder with a fresh home, the system's path and no display.
(cd "$work/run" && env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  TARN_SB --batch --input /usr/share/tarn/examples/GW_Test.tol \
  --model /usr/libexec/tarn/stand-in-model/TolvaModel.exe --output "$work/run" \
  >"$work/report" 2>"$work/console") || {
  cat "$work/console"
  fail "the installed TARN_SB --batch"
}
grep -qx "'/usr/bin/TARN_DoduVovuv'  GW_Test.tol" "$work/run/TARN.bat" ||
  fail "the installed front end did not start the installed driver"
[ -f "$work/run/tolva.ok" ] || fail "the installed run wrote no tolva.ok"
# The report's sections as the build folder's programs give them for the same example.
mkdir "$work/build-run"
(cd "$work/build-run" && env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  "$root/build/bin/TARN_SB" --batch --input "$root/examples/GW_Test.tol" \
  --model "$root/build/bin/model/TolvaModel.exe" --output "$work/build-run" \
  >"$work/build-report" 2>/dev/null) || fail "the build's TARN_SB --batch"
# report_sections <file>: the sections without the run folder's name.
report_sections() { grep -v '^\* Working directory  ' "$1"; }
diff -u --label "build folder" --label "installed" <(report_sections "$work/build-report") \
  <(report_sections "$work/report") ||
  fail "the installed run's report differs from the build folder's"
removing=$(date +%s.%N)
DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq tarn >>"$work/install.log" 2>&1 ||
  fail "apt-get purge"
installed_here=0
# What the installation brought along (the packages it depends on) goes too.
mapfile -t brought < <(dpkg-query -W -f '${Package}\n' | sort | comm -13 "$work/packages.before" -)
[ ${#brought[@]} -eq 0 ] ||
  DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq "${brought[@]}" >>"$work/install.log" 2>&1
removed=$(date +%s.%N)
[ -z "$(dpkg-query -W -f '${Status}' tarn 2>/dev/null)" ] || fail "dpkg still knows tarn"
while IFS= read -r path; do
  [ ! -e "$path" ] || grep -qxF "$path" "$work/there.before" || fail "left behind: $path"
done <"$work/contents"
seconds() { awk -v from="$1" -v to="$2" 'BEGIN { printf "%.1f", to - from }'; }
echo "Installed in $(seconds "$started" "$installed") s (with ${brought[*]:-nothing more})," \
  "removed in $(seconds "$removing" "$removed") s"
[ "$failed" -eq 0 ] || exit 1
echo "The package is good: $deb"
