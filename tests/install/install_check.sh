#!/usr/bin/env bash
# Installs a build into a temporary prefix, checks that every file lands where the desktop looks
# for it, and starts the installed program the way the desktop does, from its menu entry.
#   install_check.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: install_check.sh BUILD_DIR}
work=$(mktemp -d)
program_pid=
# Every process whose program file lies under the temporary prefix: the ones this check started.
started_programs() {
  local exe
  for exe in /proc/[0-9]*/exe; do
    [[ "$(readlink "$exe" 2>/dev/null)" == "$work"/* ]] && echo "${exe//[^0-9]/}"
  done
  return 0
}
cleanup() {
  [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
  for pid in $(started_programs); do kill -KILL "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "install_check: $*" >&2
  exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  fail "cmake --install failed"
}

for file in bin/quillmark bin/qmk share/applications/quillmark.desktop \
  share/icons/hicolor/48x48/apps/quillmark.png share/icons/hicolor/256x256/apps/quillmark.png; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for program in quillmark qmk; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
# The help's HTML pages are installed beside the help file, for desktops without a viewer for it.
[ -s "$prefix/share/quillmark/help/welcome.html" ] || fail "share/quillmark/help/welcome.html is not installed"
[ -s "$prefix/share/quillmark/help/help.css" ] || fail "share/quillmark/help/help.css is not installed"
# Where chmcmd is there the help file must be built and installed; without it the build goes on.
if command -v chmcmd >/dev/null; then
  [ -s "$prefix/share/quillmark/help.chm" ] || fail "share/quillmark/help.chm is not installed"
fi

desktop=$prefix/share/applications/quillmark.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "quillmark.desktop does not validate"
fi
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
[ "$(entry Name)" = Quillmark ] || fail "the menu entry is not named Quillmark"
icon=$(entry Icon)
[ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no icon named '$icon'"

# The Exec line as the desktop runs it: field codes dropped, the program found on the PATH.
read -r -a exec_line <<<"$(entry Exec | sed 's/%[fFuUdDnNickvm]//g')"
((${#exec_line[@]})) || fail "the menu entry has no Exec line"
export PATH="$prefix/bin:/usr/bin:/bin"
[ "$(command -v "${exec_line[0]}")" = "$prefix/bin/quillmark" ] ||
  fail "Exec runs '${exec_line[0]}', not the installed quillmark"

mkdir -p "$work/runtime" "$work/config"
chmod 700 "$work/runtime"
run_env=(env -u DISPLAY -u WAYLAND_DISPLAY -u QUILLMARK_SUGGEST_HOST -u QUILLMARK_SEARCH_HOST
  -u QUILLMARK_TOP_HOST QT_QPA_PLATFORM=offscreen HOME="$work" XDG_RUNTIME_DIR="$work/runtime"
  QUILLMARK_CONFIG_DIR="$work/config")
run() { "${run_env[@]}" "$@"; }

# The help needs no window system at all.
run env -u QT_QPA_PLATFORM "${exec_line[@]}" --help >"$work/help.txt" || fail "quillmark --help failed"
grep -q "Usage: quillmark" "$work/help.txt" || fail "quillmark --help shows no usage"
run qmk --help >"$work/qmk-help.txt" || fail "qmk --help failed"
grep -q "Usage: qmk" "$work/qmk-help.txt" || fail "qmk --help shows no usage"

# Started from the menu entry, the program takes its single-instance lock, makes its windows
# and keeps running until it is ended.
# exec: the background job becomes env and env the program, so $! is the program's own pid
# (a backgrounded function would be a subshell, and killing it would leave the program running).
exec "${run_env[@]}" "${exec_line[@]}" >"$work/run.log" 2>&1 &
program_pid=$!
lock=$work/runtime/Quillmark.lock
for _ in $(seq 300); do
  kill -0 "$program_pid" 2>/dev/null || break
  [ -f "$lock" ] && ! flock -n "$lock" true && break
  sleep 0.1
done
# A window that fails to come up fails within moments of the lock; a slow start only passes.
sleep 2
if ! kill -0 "$program_pid" 2>/dev/null; then
  cat "$work/run.log" >&2
  fail "quillmark ended on its own"
fi
flock -n "$lock" true && fail "quillmark did not come up within 30 seconds"
kill -TERM "$program_pid"
for _ in $(seq 100); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "quillmark did not end within 10 seconds of SIGTERM"
wait "$program_pid" 2>/dev/null || true
program_pid=
left=$(started_programs)
[ -z "$left" ] || fail "still running after the test: $(ps -o pid=,args= -p "${left//$'\n'/,}")"
echo "install_check: installed into a temporary prefix and started from quillmark.desktop"
