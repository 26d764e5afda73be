# Sourced by the other scripts: installs the Debian packages they need, once, quietly.

TITRELLE_BUILD_PACKAGES="cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev strace"
TITRELLE_FUZZ_PACKAGES="clang libclang-rt-14-dev"
TITRELLE_LINUX_PACKAGES="qt6-base-dev qt6-base-dev-tools libmpv-dev libavformat-dev libavcodec-dev libavutil-dev \
libx11-dev libxcb1-dev libxcb-keysyms1-dev fonts-wqy-microhei qt6-translations-l10n"
TITRELLE_DISPLAY_PACKAGES="xvfb xauth xdotool ffmpeg x11-utils imagemagick"
# The measuring program compares the program's CPU while playing with the plain player's on the same clip.
TITRELLE_MEASURE_PACKAGES="mpv"
# The Windows program: the mingw-w64 cross compilers (the -posix ones come with g++-mingw-w64-x86-64), Wine to
# run it and its driver, a Chinese locale for Wine's code page 936, a CJK font, and the GStreamer plugins with
# which Wine's Media Player control decodes the test video; GoogleTest's sources, built with the cross
# compilers for the tests that run under Wine.
TITRELLE_WINDOWS_PACKAGES="g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 xvfb xauth xdotool locales \
fonts-wqy-microhei gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav googletest"

ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "These Debian packages are missing: ${missing[*]}" >&2
      echo "Install them as root (apt-get install ${missing[*]}), or run this command as root." >&2
      exit 1
    fi
    sudo="sudo"
  fi
  $sudo apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
