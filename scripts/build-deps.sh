#!/usr/bin/env bash
# Cross-builds the image codec libraries (libjpeg-turbo, libpng, libtiff) as
# static libraries for one Windows architecture, from Debian's source packages.
#
#   scripts/build-deps.sh ARCH OUTDIR
#
# ARCH is x86_64 or i686. The libraries and headers end up in OUTDIR/lib and
# OUTDIR/include; cmake/codecs.cmake picks them up from there. zlib is not
# built: the mingw-w64 one from libz-mingw-w64-dev is used.
#
# Sources are downloaded once into a cache shared by both architectures
# (DARNA_DEPS_SRC, default: the folder "src" next to OUTDIR). apt-get runs with
# a private source list, lists and cache, so the machine's apt setup is left
# alone. A finished build leaves OUTDIR/.stamp; a second run with the same
# sources and the same version of this script does nothing.
set -euo pipefail

PACKAGES=(libjpeg-turbo libpng1.6 tiff)

die() { echo "build-deps: error: $*" >&2; exit 1; }
note() { echo "build-deps: $*"; }

usage() {
    echo "usage: $0 x86_64|i686 OUTDIR" >&2
    exit 2
}

[[ $# -eq 2 ]] || usage
ARCH=$1
case "$ARCH" in
    x86_64|i686) TRIPLET="$ARCH-w64-mingw32" ;;
    *) usage ;;
esac

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOOLCHAIN="$ROOT/cmake/toolchain-$ARCH.cmake"
SYSROOT="/usr/$TRIPLET"
mkdir -p "$2"
OUTDIR=$(cd "$2" && pwd)
SRC_CACHE=${DARNA_DEPS_SRC:-$(dirname "$OUTDIR")/src}
mkdir -p "$SRC_CACHE"
SRC_CACHE=$(cd "$SRC_CACHE" && pwd)
VERSIONS="$SRC_CACHE/versions"   # lines: package version source-dir
STAMP="$OUTDIR/.stamp"
JOBS=$(nproc 2>/dev/null || echo 2)

[[ -f "$TOOLCHAIN" ]] || die "missing $TOOLCHAIN"

# Anything that changes how the libraries come out must change this key.
BUILD_KEY=$(cat "${BASH_SOURCE[0]}" "$TOOLCHAIN" | sha256sum | cut -c1-16)

# --- Up to date? -------------------------------------------------------------

stamp_header() {
    echo "build-key $BUILD_KEY $ARCH"
    cat "$VERSIONS"
}

# A second run for the same OUTDIR waits for the first, then finds it done.
exec 8>"$OUTDIR/.lock"
flock 8

if [[ -f "$STAMP" ]] && head -n1 "$STAMP" | grep -qx "build-key $BUILD_KEY $ARCH"; then
    # Without a source cache there is nothing newer to build from.
    if [[ ! -f "$VERSIONS" ]] ||
       [[ "$(stamp_header)" == "$(head -n $(( $(wc -l < "$VERSIONS") + 1 )) "$STAMP")" ]]; then
        note "$ARCH codecs are up to date in $OUTDIR"
        exit 0
    fi
fi

# --- Tools -------------------------------------------------------------------

missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$1 (package $2)"); }
need "$TRIPLET-gcc-posix" "gcc-mingw-w64-${ARCH/_/-}-posix"
need cmake cmake
need nasm nasm
need apt-get apt
need dpkg-source dpkg-dev
need flock util-linux
[[ -f "$SYSROOT/lib/libz.a" ]] || missing+=("$SYSROOT/lib/libz.a (package libz-mingw-w64-dev)")
if (( ${#missing[@]} )); then
    printf 'build-deps: error: missing %s\n' "${missing[@]}" >&2
    exit 1
fi

LOGDIR="$OUTDIR/.build/logs"

# Runs a command with its output going to a log; on failure shows the end of it.
run_logged() {
    local log="$LOGDIR/$1.log"; shift
    mkdir -p "$LOGDIR"
    if ! "$@" >"$log" 2>&1; then
        echo "build-deps: error: '$*' failed; last lines of $log:" >&2
        tail -n 30 "$log" >&2
        return 1
    fi
}

# --- Sources -----------------------------------------------------------------

# Writes deb-src entries for the machine's Debian sources into folder $1 and
# prints the file's path.
write_source_list() {
    local deb822=/etc/apt/sources.list.d/debian.sources
    if [[ -f "$deb822" ]]; then
        awk '
            function flush() {
                if (isdeb && !disabled && f["uris"] != "" && f["suites"] != "") {
                    print "Types: deb-src"
                    print f["uris"]; print f["suites"]
                    if (f["components"] != "") print f["components"]
                    if (f["signed-by"] != "") print f["signed-by"]
                    print ""
                }
                isdeb = 0; disabled = 0; field = ""; delete f
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            /^[ \t]/   { if (field != "") f[field] = f[field] "\n" $0; next }
            {
                key = tolower(substr($0, 1, index($0, ":") - 1))
                field = ""
                if (key == "types") isdeb = ($0 ~ /[ \t]deb([ \t]|$)/)
                else if (key == "enabled") disabled = (tolower($2) == "no")
                else if (key == "uris" || key == "suites" || key == "components" || key == "signed-by") {
                    f[key] = $0; field = key
                }
            }
            END { flush() }
        ' "$deb822" > "$1/debian-src.sources"
        echo "$1/debian-src.sources"
    else
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list \
            > "$1/debian-src.list" 2>/dev/null || true
        echo "$1/debian-src.list"
    fi
}

# Prints its arguments (Debian versions) newest first.
sort_versions_desc() {
    local -a v=("$@")
    local i j t
    for (( i = 1; i < ${#v[@]}; i++ )); do
        for (( j = i; j > 0; j-- )); do
            dpkg --compare-versions "${v[j]}" gt "${v[j-1]}" || break
            t=${v[j]}; v[j]=${v[j-1]}; v[j-1]=$t
        done
    done
    printf '%s\n' "${v[@]}"
}

fetch_sources() {
    local apt="$SRC_CACHE/.apt" list
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
    list=$(write_source_list "$apt")
    [[ -s "$list" ]] || die "no Debian entries found in /etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list"

    local -a aptopts=(
        -o "Dir::Etc::SourceList=$list"
        -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt/lists"
        -o "Dir::Cache=$apt/cache"
        -o APT::Sandbox::User=root
    )
    note "updating the private source index"
    run_logged apt-update apt-get "${aptopts[@]}" update

    local pkg ver dsc dir got tmp
    local -a candidates
    : > "$VERSIONS.new"
    for pkg in "${PACKAGES[@]}"; do
        mapfile -t candidates < <(apt-cache "${aptopts[@]}" showsrc "$pkg" 2>/dev/null |
                                  sed -n 's/^Version: //p' | sort -u)
        (( ${#candidates[@]} )) || die "no source package '$pkg' in the Debian archive"
        mapfile -t candidates < <(sort_versions_desc "${candidates[@]}")
        # The newest listed version is sometimes not in the pool yet; fall back.
        got=""
        for ver in "${candidates[@]}"; do
            tmp="$SRC_CACHE/.download-$pkg"
            rm -rf "$tmp"; mkdir -p "$tmp"
            note "downloading $pkg $ver"
            if (cd "$tmp" && apt-get "${aptopts[@]}" source --download-only "$pkg=$ver") \
                    >"$LOGDIR/download-$pkg.log" 2>&1; then
                got=$ver
                break
            fi
            note "  $pkg $ver is not downloadable, trying an older version"
        done
        [[ -n "$got" ]] || die "could not download any version of $pkg; see $LOGDIR/download-$pkg.log"

        dsc=$(ls "$tmp"/*.dsc)
        dir="$pkg-${got#*:}"
        rm -rf "${SRC_CACHE:?}/$dir"
        run_logged "extract-$pkg" dpkg-source -x "$dsc" "$SRC_CACHE/$dir"
        mkdir -p "$SRC_CACHE/archives"
        mv "$tmp"/* "$SRC_CACHE/archives/"
        rmdir "$tmp"
        echo "$pkg $got $dir" >> "$VERSIONS.new"
    done
    mv "$VERSIONS.new" "$VERSIONS"
    rm -rf "$apt"
}

# Both architectures may be built at once; only one of them fetches.
mkdir -p "$LOGDIR"
exec 9>"$SRC_CACHE/.lock"
flock 9
sources_ok=1
if [[ -f "$VERSIONS" ]]; then
    while read -r _ _ dir; do
        [[ -d "$SRC_CACHE/$dir" ]] || sources_ok=0
    done < "$VERSIONS"
else
    sources_ok=0
fi
(( sources_ok )) || fetch_sources
flock -u 9

src_dir() { awk -v p="$1" '$1 == p { print $3 }' "$VERSIONS" | sed "s|^|$SRC_CACHE/|"; }
src_version() { awk -v p="$1" '$1 == p { print $2 }' "$VERSIONS"; }

# --- Build -------------------------------------------------------------------

rm -rf "$STAMP" "$OUTDIR/include" "$OUTDIR/lib" "$OUTDIR/bin" "$OUTDIR/share" \
       "$OUTDIR/.build/jpeg" "$OUTDIR/.build/png" "$OUTDIR/.build/tiff"

# Flags meant for the machine's own compiler have no business here.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS

COMMON_CMAKE=(
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN"
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$OUTDIR"
    -DBUILD_SHARED_LIBS=OFF
    -DZLIB_INCLUDE_DIR="$SYSROOT/include"
    -DZLIB_LIBRARY="$SYSROOT/lib/libz.a"
)

# cmake_build NAME SOURCE-DIR [cmake options...]
cmake_build() {
    local name=$1 src=$2; shift 2
    local bld="$OUTDIR/.build/$name"
    rm -rf "$bld"
    run_logged "$name-configure" cmake -S "$src" -B "$bld" "${COMMON_CMAKE[@]}" "$@" &&
    run_logged "$name-build" cmake --build "$bld" --parallel "$JOBS" &&
    run_logged "$name-install" cmake --install "$bld" || return 1
    # A package that puts files outside OUTDIR has been misconfigured.
    if grep -E -e '-- (Installing|Up-to-date): ' "$LOGDIR/$name-install.log" |
            grep -v -F -e ": $OUTDIR/"; then
        echo "build-deps: error: $name installed files outside $OUTDIR" >&2
        return 1
    fi
}

build_jpeg() {
    local opts=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
                -DCMAKE_ASM_NASM_COMPILER=nasm)
    if cmake_build jpeg "$(src_dir libjpeg-turbo)" "${opts[@]}" -DWITH_SIMD=ON -DREQUIRE_SIMD=ON; then
        echo yes > "$OUTDIR/.build/jpeg-simd"
        return 0
    fi
    [[ "$ARCH" == i686 ]] || return 1
    note "libjpeg-turbo SIMD build failed on i686; building it without SIMD"
    cmake_build jpeg "$(src_dir libjpeg-turbo)" "${opts[@]}" -DWITH_SIMD=OFF || return 1
    echo no > "$OUTDIR/.build/jpeg-simd"
}

build_png() {
    cmake_build png "$(src_dir libpng1.6)" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
}

# libtiff gets JPEG (with old-style JPEG reading) and deflate, nothing else.
build_tiff() {
    local opts=(-Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Dpixarlog=ON
                -DJPEG_INCLUDE_DIR="$OUTDIR/include" -DJPEG_LIBRARY="$OUTDIR/lib/libjpeg.a")
    local opt pkg
    for opt in tiff-tools tiff-tests tiff-contrib tiff-docs tiff-deprecated tiff-opengl \
               sphinx cxx lzma zstd webp jbig lerc libdeflate jpeg12; do
        opts+=("-D$opt=OFF")
    done
    for pkg in LibLZMA ZSTD WebP JBIG LERC Deflate OpenGL GLUT Python3; do
        opts+=("-DCMAKE_DISABLE_FIND_PACKAGE_$pkg=ON")
    done
    cmake_build tiff "$(src_dir tiff)" "${opts[@]}" || return 1
    for opt in JPEG_SUPPORT ZIP_SUPPORT; do
        grep -q "^#define $opt" "$OUTDIR/include/tiffconf.h" && continue
        echo "build-deps: error: libtiff was configured without $opt" \
             "(see $LOGDIR/tiff-configure.log)" >&2
        return 1
    done
}

START=$SECONDS
note "building libjpeg-turbo $(src_version libjpeg-turbo) and libpng $(src_version libpng1.6) for $ARCH"
# The two are independent; libtiff needs libjpeg.
build_jpeg & jpeg_job=$!
build_png & png_job=$!
jpeg_ok=0; png_ok=0
wait "$jpeg_job" && jpeg_ok=1
wait "$png_job" && png_ok=1
(( jpeg_ok )) || die "libjpeg-turbo failed to build"
(( png_ok )) || die "libpng failed to build"

note "building libtiff $(src_version tiff) for $ARCH"
build_tiff || die "libtiff failed to build"

# Only the static libraries and headers are wanted.
jpeg_simd=$(cat "$OUTDIR/.build/jpeg-simd")
rm -rf "$OUTDIR/bin" "$OUTDIR/share" "$OUTDIR/lib/cmake" "$OUTDIR/lib/libpng" \
       "$OUTDIR/.build/jpeg" "$OUTDIR/.build/png" "$OUTDIR/.build/tiff" "$OUTDIR/.build/jpeg-simd"

{
    stamp_header
    echo "jpeg-simd $jpeg_simd"
} > "$STAMP"
note "$ARCH codecs built in $(( SECONDS - START ))s into $OUTDIR (libjpeg-turbo SIMD: $jpeg_simd)"
