# Shared by the scripts: where things are, and installing what a fresh Debian machine lacks.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Installs the Debian packages that are not installed yet (as root, after one apt-get update).
ensure_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# abigail-tools and python3: the binary interface check (scripts/lib/check-abi).
native_packages=(cmake make g++ libgtest-dev libgmock-dev pkg-config abigail-tools python3)
# scripts/package: CPack's Debian packages need dpkg-shlibdeps (dpkg-dev) and file; lintian checks them.
package_packages=(dpkg-dev file lintian unzip)
# The Windows build: the cross compiler, GoogleTest's sources, Wine to run the tests and the fonts they meet,
# and libFuzzer's input splitter (a header of clang's run-time) for the corpus replay.
windows_packages=(g++-mingw-w64-x86-64 googletest wine64 wine fonts-liberation libclang-rt-14-dev)
# The Microsoft-ABI build: clang in MSVC mode with lld-link and the LLVM tools (llvm-dlltool makes the
# import libraries Wine lacks, llvm-undname reads the exports), Wine's C runtime and Windows headers.
msvc_packages=(clang-16 lld-16 llvm-16 libwine-dev binutils-mingw-w64-x86-64 googletest wine64 wine fonts-liberation)

# The folder holding the Microsoft STL's headers (stl-inc-*.tar.xz), or nothing when there is none.
msvc_stl_folder() {
  local folder=${WINDOWSUTILS_MSVC_STL:-$root/../shared/msvc-stl}
  compgen -G "$folder/stl-inc-*.tar.xz" >/dev/null && echo "$folder" || true
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
    cmake --build "$dir" -j"$jobs"
}
