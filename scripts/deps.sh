#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
# Idempotent and quick when everything is present: dpkg is asked first, apt-get
# only runs for what is missing. With --tests it also makes the German locale
# the tests use.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  libgtest-dev clang libclang-rt-14-dev xvfb xauth poppler-utils xdotool imagemagick
  libbenchmark-dev hyperfine
  libgtk-3-dev libcairo2-dev libpango1.0-dev fontconfig fonts-dejavu-core
  libgdk-pixbuf-2.0-dev libglib2.0-dev libglib2.0-dev-bin
  libwebkit2gtk-4.1-dev libcurl4-openssl-dev zlib1g-dev
  ghostscript qpdf libqpdf-dev libjpeg62-turbo-dev libdeflate-dev
  libreoffice-core libreoffice-writer libreoffice-calc libreoffice-impress
  librsvg2-bin locales libtiff-dev desktop-file-utils x11-utils appstream man-db dpkg-dev file parallel
  python3 openssl curl
  at-spi2-core python3-pyatspi dbus
)

missing=()
for p in "${PACKAGES[@]}"; do
  # A package whose triggers are still pending (another install is running
  # them) is installed all the same.
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null |
      grep -Eq 'install ok (installed|triggers-pending|triggers-awaited)'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# Tests check that numbers ignore a German user locale, so one must exist.
ensure_german_locale() {
  [ "${1:-}" = "--tests" ] || return 0
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  ensure_german_locale "$@"
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# Another installation may hold dpkg's lock for a while: wait for it.
$SUDO apt-get -o DPkg::Lock::Timeout=300 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_german_locale "$@"
