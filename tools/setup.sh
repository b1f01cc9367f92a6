#!/usr/bin/env bash
# Sets up, builds and runs Tamiro on Debian 12.
#
#   tools/setup.sh run    install what is missing, build, start the program
#   tools/setup.sh test   install what is missing, build, run every test,
#                         then build and run the tests again with
#                         AddressSanitizer and UndefinedBehaviorSanitizer
#   tools/setup.sh bench [ARGS...]
#                         install what the benchmarks need (with the typing
#                         game they compare against), build, and run
#                         bench/startup_bench.py ARGS
#   tools/setup.sh fuzz [CPU-SECONDS] [TARGET...]
#                         install clang and libFuzzer, build the fuzzing
#                         build and run its targets (tools/fuzz.sh)
#
# Packages already installed are left alone; missing ones are installed with
# apt-get (through sudo when not run as root).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-run}
jobs=$(nproc 2>/dev/null || echo 2)

build_packages=(
  cmake g++ make pkg-config python3 dpkg-dev file
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libpulse-dev
  libfluidsynth-dev libsndfile1-dev libsqlite3-dev libespeak-ng-dev libfontconfig-dev
)
run_packages=(
  fonts-liberation2 timgm6mb-soundfont libqt6svg6 qt6-qpa-plugins libespeak-ng1 espeak-ng-data
)
test_packages=(
  libgtest-dev python3-fonttools python3-brotli python3-pil fontconfig fonts-dejavu-core
  pulseaudio pulseaudio-utils xvfb xauth xdotool
  lintian desktop-file-utils appstream
  hunspell hunspell-sv hunspell-en-gb hunspell-da hunspell-no hunspell-de-de hunspell-af
  hunspell-hr myspell-et hunspell-fr hunspell-ca hunspell-es hunspell-ro hunspell-br
  hunspell-pl hunspell-it hunspell-pt-br libvoikko1 voikko-fi python3-libvoikko
)

# The benchmarks: the screen and the X libraries they read it with, the
# sound server and its recorder, numpy for the recorded tune, and a typing
# game of the same kind to compare with (for measuring only; the program
# never uses it).
bench_packages=(xvfb xauth libx11-6 libxtst6 libxdamage1 pulseaudio pulseaudio-utils python3-numpy tuxtype)

# The fuzzing build: clang and libFuzzer.
fuzz_packages=(clang-14 libclang-rt-14-dev time)

install_missing() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
  local dir=$1
  shift
  cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  run)
    install_missing "${build_packages[@]}" "${run_packages[@]}"
    configure_and_build "$here/build" -DBUILD_TESTING=OFF
    exec "$here/build/tamiro/tamiro"
    ;;
  test)
    install_missing "${build_packages[@]}" "${run_packages[@]}" "${test_packages[@]}"
    configure_and_build "$here/build" -DBUILD_TESTING=ON
    (cd "$here/build" && ctest --output-on-failure -j "$jobs")
    configure_and_build "$here/build-sanitize" -DBUILD_TESTING=ON -DTAMIRO_SANITIZE=ON
    (cd "$here/build-sanitize" &&
      ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0 \
      LSAN_OPTIONS=suppressions="$here/tests/lsan.supp":print_suppressions=0 \
      UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      ctest --output-on-failure -j "$jobs")
    ;;
  bench)
    shift
    install_missing "${build_packages[@]}" "${run_packages[@]}" "${bench_packages[@]}"
    configure_and_build "$here/build" -DBUILD_TESTING=OFF
    exec /usr/bin/python3 "$here/bench/startup_bench.py" --build "$here/build" "$@"
    ;;
  fuzz)
    shift
    install_missing "${build_packages[@]}" "${run_packages[@]}" libgtest-dev "${fuzz_packages[@]}"
    cmake -S "$here" -B "$here/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
      -DTAMIRO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14
    cmake --build "$here/build-fuzz" -j "$jobs" --target fuzz_pictures fuzz_strings fuzz_hangman fuzz_help fuzz_profile
    exec "$here/tools/fuzz.sh" "$@"
    ;;
  *)
    echo "usage: $0 run|test|bench|fuzz" >&2
    exit 2
    ;;
esac
