# Sourced by the completion tests: a home, data, settings and runtime folder of
# their own, removed on exit, and `tessary` on the PATH as the shells call it.
# $1 is the tessary executable.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$work/bin"
chmod 700 "$XDG_RUNTIME_DIR"
ln -s "$(realpath "$1")" "$work/bin/tessary"
export PATH=$work/bin:$PATH
