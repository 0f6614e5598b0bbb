# Shared by run.sh and test.sh: install the Debian packages the build, the tests and the
# screenshots need, but only those missing, so a ready machine goes straight on.
ZQ_PACKAGES=(build-essential cmake pkg-config qt6-base-dev libpoppler-qt6-dev libgtest-dev
             xvfb xauth imagemagick fonts-dejavu-core poppler-utils qpdf
             python3-olefile python3-xlrd libxlsxwriter-dev python3-openpyxl
             libtesseract-dev tesseract-ocr-eng tesseract-ocr-script-latn tesseract-ocr
             clang-format desktop-file-utils appstream dpkg-dev)

zq_ensure_packages() {
  local missing=() p
  for p in "${ZQ_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}
