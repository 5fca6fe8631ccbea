#!/usr/bin/env bash
# Installs the build into a scratch prefix, checks the installed tree file by
# file and starts the installed programs from there: the configurator
# offscreen with ZELOR_START_CHECK, in Russian and with the installed English
# language file (and the guide each opens), and the simulator until it names
# its port.
# Usage: test_install.sh CMAKE BUILD_DIR SOURCE_DIR
set -euo pipefail
cmake=$1
build=$2
source=$3

scratch=$(mktemp -d)
# The programs' data folder (the session's journal) is the scratch one.
export XDG_DATA_HOME=$scratch/data
sim=""
cleanup() {
  if [[ -n "$sim" ]]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

prefix=$scratch/usr
"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
  { cat "$scratch/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

# The pictures the two guides show (their Markdown's "](../screenshots/NAME)").
guides="$source/docs/ru/guide.md $source/docs/en/guide.md"
pictures=$(grep -ho '](\.\./screenshots/[^)]*)' $guides | sed 's|^](\.\./screenshots/||; s|)$||' |
  LC_ALL=C sort -u)
[[ -n "$pictures" ]] || fail "the guides show no picture"
docs=share/zelor-configurator/docs
# Exactly these files, nothing of the tests or benchmarks.
expected=$(LC_ALL=C sort <<EOF
bin/ZelorConfigurator
bin/converter-sim
bin/zelor-lambda-fix
share/applications/zelor-configurator.desktop
share/icons/hicolor/256x256/apps/zelor-configurator.png
share/icons/hicolor/48x48/apps/zelor-configurator.png
share/icons/hicolor/scalable/apps/zelor-configurator.svg
share/zelor-configurator/english/language.txt
$docs/ru/guide.md
$docs/en/guide.md
$(sed "s|^|$docs/screenshots/|" <<<"$pictures")
EOF
)
installed=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
if [[ "$installed" != "$expected" ]]; then
  fail "installed tree differs:"
  diff <(echo "$expected") <(echo "$installed") >&2 || true
fi
for program in ZelorConfigurator converter-sim zelor-lambda-fix; do
  [[ -x "$prefix/bin/$program" ]] || fail "bin/$program is not executable"
  # No run path into the build tree: the installed program stands alone.
  if readelf -d "$prefix/bin/$program" | grep -E 'R(UN)?PATH' >&2; then
    fail "bin/$program keeps a run path"
  fi
done
cmp "$source/lang/english/language.txt" "$prefix/share/zelor-configurator/english/language.txt" ||
  fail "the installed language file differs from lang/english/language.txt"

for language in ru en; do
  cmp "$source/docs/$language/guide.md" "$prefix/$docs/$language/guide.md" ||
    fail "the installed $docs/$language/guide.md differs from docs/$language/guide.md"
done
for picture in $pictures; do
  cmp "$source/docs/screenshots/$picture" "$prefix/$docs/screenshots/$picture" ||
    fail "the installed picture $picture differs from docs/screenshots/$picture"
done

desktop=$prefix/share/applications/zelor-configurator.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the .desktop file"
for key in Name Name\\[ru\\] Comment Comment\\[ru\\] Categories; do
  grep -q "^$key=." "$desktop" || fail ".desktop file without $key"
done
grep -qx 'Terminal=false' "$desktop" || fail ".desktop file without Terminal=false"
# The main entry's keys (before the first action's group).
exec_name=$(sed -n '/^\[Desktop Action/q; s/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -x "$prefix/bin/$exec_name" ]] || fail ".desktop Exec '$exec_name' is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ]] ||
  fail ".desktop Icon '$icon' is not an installed icon"
for png in "$prefix"/share/icons/hicolor/*/apps/*.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file "$png" | grep -q "PNG image data, ${size/x/ x }," || fail "$png is not a $size PNG"
done

# The installed console companion starts and tells its use; it links no Qt.
help=$(env -u LD_LIBRARY_PATH "$prefix/bin/zelor-lambda-fix" --help) ||
  fail "the installed zelor-lambda-fix --help did not end with 0"
[[ "$help" == "usage: zelor-lambda-fix LOG.log TABLE.tab --out NEW.tab"* ]] ||
  fail "the installed zelor-lambda-fix printed '${help%%$'\n'*}'"
if readelf -d "$prefix/bin/zelor-lambda-fix" | grep -E 'NEEDED.*libQt' >&2; then
  fail "bin/zelor-lambda-fix links Qt"
fi

# Starts the installed configurator in the folder $1; prints its line.
start_check() {
  (cd "$1" && env -u LD_LIBRARY_PATH ZELOR_START_CHECK=1 QT_QPA_PLATFORM=offscreen \
    timeout 60 "$prefix/bin/ZelorConfigurator" 2>"$scratch/stderr")
}
expect_start() {
  local folder=$1 want=$2 line
  if ! line=$(start_check "$folder"); then
    fail "the installed program did not start and end cleanly in $folder"
    cat "$scratch/stderr" >&2
    return
  fi
  [[ "$line" == "ZelorConfigurator started: "*"$want"* ]] ||
    fail "start line '$line' does not hold '$want'"
}
mkdir "$scratch/russian"
expect_start "$scratch/russian" 'Таблица Замены|Графики Лога|Панель приборов", dialog button "Отмена"'

# "Окно" > "Руководство" of the installed program opens the installed guide
# of its language, in Russian and with the installed English language file.
installed_docs=$(realpath "$prefix/$docs")
for language in ru en; do
  folder=$scratch/russian
  [[ $language == en ]] && folder=$prefix/share/zelor-configurator/english
  guide=$(cd "$folder" && env -u LD_LIBRARY_PATH ZELOR_START_CHECK=1 ZELOR_START_CHECK_GUIDE=1 \
    QT_QPA_PLATFORM=offscreen timeout 60 "$prefix/bin/ZelorConfigurator" 2>"$scratch/stderr" |
    sed -n 2p) || { fail "the guide's start check ($language) did not end cleanly"; cat "$scratch/stderr" >&2; }
  [[ "$guide" == "guide $installed_docs/$language/guide.md" ]] ||
    fail "the installed program's guide ($language) is '$guide'"
done

# The entry's action "English" starts the program where it finds the
# installed language file: its command is run as a launcher runs it, with
# the installed programs on the PATH.
grep -qx 'Actions=English;' "$desktop" || fail ".desktop file without the action English"
english_exec=$(sed -n '/^\[Desktop Action English\]/,/^\[/ s/^Exec=//p' "$desktop")
line=$(cd "$scratch/russian" && eval "env -u LD_LIBRARY_PATH PATH=\"$prefix/bin:\$PATH\" \
  ZELOR_START_CHECK=1 QT_QPA_PLATFORM=offscreen timeout 60 $english_exec" 2>"$scratch/stderr") ||
  { fail "the action English ('$english_exec') did not start and end cleanly"; cat "$scratch/stderr" >&2; }
[[ "$line" == *'Replacement table|Log charts|Instrument panel", dialog button "Cancel"'* ]] ||
  fail "the action English started '$line', not the English interface"

# SIGTERM, SIGINT and SIGHUP end the program as closing its window does: it
# exits with 0 instead of dying by the signal. Each is sent once the
# program catches all three (its windows are up then).
catches_all() {
  local mask
  mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null) || return 1
  [[ -n "$mask" ]] || return 1
  local signal
  for signal in HUP INT TERM; do
    (((16#$mask >> ($(kill -l "$signal") - 1)) & 1)) || return 1
  done
}
for signal in TERM INT HUP; do
  (cd "$scratch/russian" && exec env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/ZelorConfigurator") 2>"$scratch/stderr" &
  program=$!
  for _ in $(seq 600); do
    catches_all "$program" && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.05
  done
  if ! catches_all "$program"; then
    fail "the program does not catch SIGHUP, SIGINT and SIGTERM"
    kill -KILL "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    continue
  fi
  kill -s "$signal" "$program"
  status=0
  wait "$program" || status=$?
  ((status == 0)) || { fail "SIG$signal ended the program with status $status"; cat "$scratch/stderr" >&2; }
done

# The installed simulator names its port on its first line.
env -u LD_LIBRARY_PATH "$prefix/bin/converter-sim" >"$scratch/sim.out" &
sim=$!
port=""
for _ in $(seq 200); do
  port=$(head -n 1 "$scratch/sim.out")
  [[ -n "$port" ]] && break
  kill -0 "$sim" 2>/dev/null || break
  sleep 0.05
done
[[ -n "$port" && -c "$port" ]] || fail "the installed simulator named no port ('$port')"

# The start check that picks the simulator's port: the 1:1 table (0 + 1 + ...
# + 255) and the simulator's firmware 3.2, as the window shows them.
picked=$(cd "$scratch/russian" && env -u LD_LIBRARY_PATH ZELOR_START_CHECK=1 \
  ZELOR_START_CHECK_PORT="$port" QT_QPA_PLATFORM=offscreen \
  timeout 60 "$prefix/bin/ZelorConfigurator" "$port" 2>"$scratch/stderr" | sed -n 2p) ||
  fail "the installed program did not end cleanly after picking $port"
[[ "$picked" == "picked $port: firmware \"FirmWare:  V_3.2\", table checksum 32640" ]] ||
  fail "picking the simulator's port gave '$picked'"

# Every end above was a normal one (the signals' too: nothing would have
# been lost): no journal is left.
left=$(find "$XDG_DATA_HOME" -type f 2>/dev/null || true)
[[ -z "$left" ]] || fail "the program's ends left files: $left"

if ((failures > 0)); then
  echo "test_install: $failures failure(s)" >&2
  exit 1
fi
echo "test_install: installed into $prefix and started from there"
