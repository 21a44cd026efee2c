#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian machine. Idempotent: a second run checks and
# returns in seconds. Where every dependency comes from:
#   Debian's packages (apt): the host and mingw-w64 i686 compilers, CMake and Ninja, GoogleTest (native),
#     zlib (native and libz-mingw-w64-dev), Wine with its 32-bit part (wine32:i386, after adding the i386
#     architecture), Xvfb, xdotool, ImageMagick, netpbm and x11-apps (screenshots), clang with its runtime
#     (fuzzing, sanitizers), valgrind (benchmarks), dpkg-dev (apt-get source), locales (the Russian
#     locale that runs Wine with ANSI code page 1251 in the end-to-end tests, compiled into .cache/locale),
#     python3 (the tests, and the build step that clears install.exe's PE checksum),
#     universal-ctags (the test that no function grows past 120 lines), FreeType with the DejaVu and
#     Liberation fonts (the movie renderer's device fonts in the native tests, tools and benchmarks).
#   Debian's source packages (apt-get source, after adding a deb-src entry): libjpeg-turbo, built here as a
#     static mingw library (the Win32 tests write JPEG pictures with it); zlib, whose inflate the shipped
#     install.exe compiles for size; GoogleTest for mingw is built from Debian's /usr/src/googletest.
#     libjpeg-turbo and libpng (likewise built here) serve mvpack.exe's previews; natively libpng-dev.
#   The npm registry: node-pkware, an independent implementation of the DCL format that the codec tests
#     (tests/dcl/dcl_node_test.cpp) and benchmarks (bench/) compare against.
# Everything built goes into .cache/ (git-ignored); nothing else is downloaded.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CACHE="${MV_CACHE:-$ROOT/.cache}"
SUDO=""; [ "$(id -u)" = 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

need_pkgs=(cmake g++ make ninja-build pkg-config googletest libgtest-dev libgmock-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32
  binutils-mingw-w64-i686 mingw-w64-i686-dev osslsigncode openssl nsis
  libz-mingw-w64-dev zlib1g-dev libjpeg-dev xvfb xdotool x11-apps imagemagick netpbm file valgrind
  clang libclang-rt-14-dev dpkg-dev xauth locales python3 universal-ctags
  libfreetype-dev fonts-dejavu-core fonts-liberation2)
need_i386=(wine32:i386)
need_pkgs+=(libpng-dev)  # mvpack preview's pictures

missing=()
for p in "${need_pkgs[@]}" wine "${need_i386[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then $SUDO dpkg --add-architecture i386; fi
  # deb-src entries so that libjpeg-turbo can be built from Debian's own source package
  if ! grep -rqs '^Types: deb deb-src\|^Types: deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    else
      grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee -a /etc/apt/sources.list >/dev/null
    fi
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" wine wine32:i386 >/dev/null
fi

mkdir -p "$CACHE"

# ru_RU.UTF-8 for Wine runs on ANSI code page 1251 (LOCPATH=$CACHE/locale LC_ALL=ru_RU.UTF-8); compiled
# here rather than installed system-wide.
if [ ! -f "$CACHE/locale/ru_RU.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$CACHE/locale"
  localedef -i ru_RU -f UTF-8 "$CACHE/locale/ru_RU.UTF-8" || echo "setup: could not compile the ru_RU.UTF-8 locale" >&2
fi
TC="$ROOT/cmake/mingw-i686.cmake"

# GoogleTest for mingw, from Debian's googletest source
if [ ! -f "$CACHE/gtest-mingw/lib/libgtest.a" ]; then
  echo "setup: building googletest for mingw"
  rm -rf "$CACHE/gtest-mingw-build"
  cmake -S /usr/src/googletest -B "$CACHE/gtest-mingw-build" -DCMAKE_TOOLCHAIN_FILE="$TC" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$CACHE/gtest-mingw" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$CACHE/gtest-mingw-build" -j"$(nproc)" >/dev/null
  cmake --install "$CACHE/gtest-mingw-build" >/dev/null
fi

# libjpeg-turbo for mingw, static, from Debian's source package
if [ ! -f "$CACHE/jpeg-mingw/lib/libjpeg.a" ]; then
  echo "setup: building libjpeg-turbo for mingw"
  rm -rf "$CACHE/jpeg-src" "$CACHE/jpeg-mingw-build"; mkdir -p "$CACHE/jpeg-src"
  (cd "$CACHE/jpeg-src" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1)
  src="$(find "$CACHE/jpeg-src" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo*' | head -1)"
  cmake -S "$src" -B "$CACHE/jpeg-mingw-build" -DCMAKE_TOOLCHAIN_FILE="$TC" -DCMAKE_BUILD_TYPE=Release \
    -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DCMAKE_INSTALL_PREFIX="$CACHE/jpeg-mingw" >/dev/null
  cmake --build "$CACHE/jpeg-mingw-build" -j"$(nproc)" >/dev/null
  cmake --install "$CACHE/jpeg-mingw-build" >/dev/null
  find "$CACHE/jpeg-mingw" -name 'libjpeg.a' -path '*lib*' -exec cp {} "$CACHE/jpeg-mingw/lib/libjpeg.a" \; 2>/dev/null || true
fi

# libpng for mingw, static, from Debian's source package: mvpack.exe writes its previews with it. As for
# zlib, the versions the archive lists are tried in turn when the newest one's files are gone.
if [ ! -f "$CACHE/png-mingw/lib/libpng.a" ]; then
  echo "setup: building libpng for mingw"
  rm -rf "$CACHE/png-src" "$CACHE/png-mingw-build"; mkdir -p "$CACHE/png-src"
  for v in "" $(apt-cache showsrc libpng1.6 2>/dev/null | sed -n 's/^Version: //p' | sort -ru); do
    rm -rf "$CACHE/png-src"/*
    (cd "$CACHE/png-src" && apt-get source -qq "libpng1.6${v:+=$v}" >/dev/null 2>&1) && break
  done
  src="$(find "$CACHE/png-src" -maxdepth 1 -mindepth 1 -type d -name 'libpng*' | head -1)"
  cmake -S "$src" -B "$CACHE/png-mingw-build" -DCMAKE_TOOLCHAIN_FILE="$TC" -DCMAKE_BUILD_TYPE=Release \
    -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
    -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include >/dev/null
  cmake --build "$CACHE/png-mingw-build" -j"$(nproc)" --target png_static >/dev/null
  mkdir -p "$CACHE/png-mingw/include" "$CACHE/png-mingw/lib"
  cp "$src/png.h" "$src/pngconf.h" "$CACHE/png-mingw-build/pnglibconf.h" "$CACHE/png-mingw/include/"
  cp "$CACHE/png-mingw-build/libpng16.a" "$CACHE/png-mingw/lib/libpng.a"
fi

# zlib's inflate for the shipped install.exe, built there for size from Debian's source package
# (cmake/zlib-inflate.cmake). apt-get source takes the newest version; when the archive no longer holds
# that one's files, the versions it lists are tried in turn.
if [ -z "$(find "$CACHE/zlib-src" -maxdepth 2 -name inflate.c 2>/dev/null | head -1)" ]; then
  echo "setup: fetching zlib's source"
  rm -rf "$CACHE/zlib-src"; mkdir -p "$CACHE/zlib-src"
  if ! (cd "$CACHE/zlib-src" && apt-get source -qq zlib >/dev/null 2>&1); then
    for v in $(apt-cache showsrc zlib 2>/dev/null | sed -n 's/^Version: //p' | sort -ru); do
      rm -rf "$CACHE/zlib-src"/*
      (cd "$CACHE/zlib-src" && apt-get source -qq "zlib=$v" >/dev/null 2>&1) && break
    done
  fi
  [ -n "$(find "$CACHE/zlib-src" -maxdepth 2 -name inflate.c | head -1)" ] || echo "setup: warning: zlib's source not fetched (install.exe links Debian's libz.a)"
fi

# node-pkware: an independent DCL implementation used by codec tests and benchmarks
if [ ! -d "$CACHE/npm/node_modules/node-pkware" ]; then
  echo "setup: installing node-pkware from npm"
  mkdir -p "$CACHE/npm"
  (cd "$CACHE/npm" && { [ -f package.json ] || echo '{"name":"mv-test-deps","private":true}' > package.json; } \
    && npm install --silent --no-audit --no-fund node-pkware >/dev/null 2>&1) || echo "setup: warning: node-pkware not installed"
fi
echo "setup: ok"
