#!/usr/bin/env bash
# Checks of what the Debian package ships, one per call. A check whose tool is
# not installed is skipped (exit 77); scripts/install-deps.sh installs them all.
#   package-check.sh desktop-entries DIR     every *.desktop in DIR
#   package-check.sh metainfo FILE VERSION DATE
#   package-check.sh build BUILD_DIR OUT_DIR  the .deb into OUT_DIR, unpacked in OUT_DIR/root
#   package-check.sh contents OUT_DIR APP_ID
#   package-check.sh lintian OUT_DIR
#   package-check.sh user-unit OUT_DIR
set -euo pipefail

needs() { # TOOL PACKAGE
    if ! command -v "$1" >/dev/null; then
        echo "SKIPPED: $1 is not installed (package $2; scripts/install-deps.sh installs it)"
        exit 77
    fi
}

# Runs a validator; its output counts as failure even when it exits with 0.
quiet_or_fail() {
    local output
    if ! output=$("$@" 2>&1) || [[ -n $output ]]; then
        echo "$*:"
        echo "$output"
        exit 1
    fi
}

check=$1
shift
case $check in
    desktop-entries)
        needs desktop-file-validate desktop-file-utils
        shopt -s nullglob
        entries=("$1"/*.desktop)
        ((${#entries[@]})) || { echo "no desktop entries in $1"; exit 1; }
        for entry in "${entries[@]}"; do
            quiet_or_fail desktop-file-validate "$entry"
        done
        echo "valid: ${entries[*]##*/}"
        ;;

    metainfo)
        needs appstreamcli appstream
        file=$1 version=$2 date=$3
        # --strict fails on errors, warnings and infos; pedantic notes are shown.
        appstreamcli validate --no-net --strict --pedantic "$file"
        newest=$(grep -m 1 -oE '<release [^>]*>' "$file")
        if [[ $newest != *"version=\"$version\""* || $newest != *"date=\"$date\""* ]]; then
            echo "the newest release in $file is $newest; the build is $version of $date"
            exit 1
        fi
        ;;

    build)
        build_dir=$1 out=$2
        rm -rf "$out"
        mkdir -p "$out"
        cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$out" >"$out/cpack.log" ||
            { cat "$out/cpack.log"; exit 1; }
        debs=("$out"/tessary_*.deb)
        dpkg-deb -x "${debs[0]}" "$out/root"
        echo "built ${debs[0]##*/}"
        ;;

    contents)
        out=$1 app_id=$2
        root=$out/root
        missing=()
        for file in usr/bin/tessary \
            usr/share/applications/"$app_id".desktop \
            usr/share/metainfo/"$app_id".metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/tessary.svg \
            usr/share/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/tessary.png \
            usr/share/man/man1/tessary.1.gz \
            usr/share/bash-completion/completions/tessary \
            usr/share/zsh/vendor-completions/_tessary \
            usr/share/fish/vendor_completions.d/tessary.fish \
            usr/lib/systemd/user/tessary.service \
            usr/share/doc/tessary/copyright usr/share/doc/tessary/changelog.gz; do
            [[ -f $root/$file ]] || missing+=("/$file")
        done
        if ((${#missing[@]})); then
            echo "the package lacks:"
            printf '  %s\n' "${missing[@]}"
            exit 1
        fi
        # The icons are what their folders say: a PNG's width and height are
        # the big-endian words at bytes 16 and 20.
        for png in "$root"/usr/share/icons/hicolor/*x*/apps/tessary.png; do
            size=${png%/apps/*}
            size=${size##*/}
            read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
            [[ ${width}x$height == "$size" ]] || { echo "$png is ${width}x$height"; exit 1; }
        done
        # Dependencies from dpkg-shlibdeps: the libraries the program links.
        debs=("$out"/tessary_*.deb)
        depends=$(dpkg-deb -f "${debs[0]}" Depends)
        for library in libqt6core6 libqt6widgets6 libcurl4 libicu libsystemd0; do
            [[ $depends == *"$library"* ]] || { echo "Depends lacks $library: $depends"; exit 1; }
        done
        echo "Depends: $depends"
        # The metainfo as installed: its launchable is the installed desktop entry.
        if command -v appstreamcli >/dev/null; then
            appstreamcli validate-tree --no-net --strict "$root"
        fi
        ;;

    lintian)
        needs lintian lintian
        out=$1
        debs=("$out"/tessary_*.deb)
        # Errors and warnings fail; infos and pedantic notes are only shown.
        lintian --fail-on error,warning --display-info "${debs[0]}"
        ;;

    user-unit)
        needs systemd-analyze systemd
        root=$(realpath "$1")/root
        unit=$root/usr/lib/systemd/user/tessary.service
        grep -qx 'ExecStart=/usr/bin/tessary monitor --quiet' "$unit" ||
            { echo "$unit does not start /usr/bin/tessary:"; cat "$unit"; exit 1; }
        # Verified as shipped, but for the program's path: the unpacked one.
        work=$(mktemp -d)
        trap 'rm -rf "$work"' EXIT
        sed "s|^ExecStart=/usr/bin/tessary|ExecStart=$root/usr/bin/tessary|" "$unit" \
            >"$work/tessary.service"
        mkdir -m 700 "$work/runtime"
        # The user manager's search paths need a runtime folder; the man page
        # named in Documentation= is looked up in the package.
        export XDG_RUNTIME_DIR=$work/runtime MANPATH=$root/usr/share/man
        quiet_or_fail systemd-analyze --user verify "$work/tessary.service"
        echo "systemd-analyze --user verify: no complaints"
        ;;

    *)
        echo "unknown check $check"
        exit 2
        ;;
esac
