#!/bin/sh
# install-deps.sh picks the sanitizer runtime of the clang that is there: from `clang --version`
# as Debian's and Ubuntu's builds print it, or from the clang package's dependency where no clang
# runs. Fake clang and apt-cache programs stand in front of the real ones.
root=$(cd "$(dirname "$0")/.." && pwd)
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
failures=0

# check <what> <clang's first line, or "none"> <clang's package dependency> <expected>
check() {
  if [ "$2" = none ]; then
    printf '#!/bin/sh\nexit 127\n' >"$fake/clang"
  else
    printf '#!/bin/sh\necho "%s"\necho "Target: x86_64-pc-linux-gnu"\n' "$2" >"$fake/clang"
  fi
  printf '#!/bin/sh\necho clang\necho "  Depends: %s"\necho "  Depends: llvm-defaults"\n' "$3" \
    >"$fake/apt-cache"
  chmod +x "$fake/clang" "$fake/apt-cache"
  got=$(PATH="$fake:$PATH" sh "$root/scripts/install-deps.sh" --runtime-package)
  if [ "$got" = "$4" ]; then
    echo "ok: $1: $got"
  else
    echo "FAILED: $1: expected '$4', got '$got'"
    failures=$((failures + 1))
  fi
}

check "Debian clang 14" "Debian clang version 14.0.6" clang-14 libclang-rt-14-dev
check "Debian clang 16" "Debian clang version 16.0.6 (15)" clang-16 libclang-rt-16-dev
check "Ubuntu clang 18" "Ubuntu clang version 18.1.3 (1ubuntu1)" clang-18 libclang-rt-18-dev
check "upstream clang 19" "clang version 19.1.7" clang-19 libclang-rt-19-dev
check "the running clang wins over the package" "Debian clang version 15.0.7" clang-16 \
  libclang-rt-15-dev
check "no clang yet: the package's dependency" none clang-17 libclang-rt-17-dev
check "neither: nothing asked for" none "" ""
[ $failures -eq 0 ]
