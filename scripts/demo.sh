#!/usr/bin/env bash
# The demo: builds everything, installs a small demo game in a Wine prefix of its own, packs an
# update for it with the makers' tool and runs the updater under Wine: on your display when
# there is one (unless --auto), otherwise in Xvfb driven screen by screen with screenshots.
# Usage: scripts/demo.sh [--auto]. ZOLMIR_DEMO_BUILD moves the build folders (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
builds=${ZOLMIR_DEMO_BUILD:-$root/build}
auto=0
if [ "${1:-}" = --auto ] || [ -z "${DISPLAY:-}" ]; then auto=1; fi

bash scripts/setup.sh
. scripts/wine-env.sh

# The updater is a 32-bit program; a kernel that cannot run 32-bit code gets the 64-bit build.
preset=windows
if ! wine_can_run_32bit; then
  preset=windows64
  echo "demo: this kernel cannot run 32-bit programs; using the 64-bit build" >&2
fi
cmake --preset host -B "$builds/host" >/dev/null
cmake --build "$builds/host"
cmake --preset "$preset" -B "$builds/$preset" >/dev/null
cmake --build "$builds/$preset"
windows_build=$builds/$preset
mkupdate=$builds/host/mkupdate

demo=$builds/demo
mkdir -p "$demo"
wine_setup_environment "$demo"
export ZOLMIR_BUILD_DIR=$demo
wine_ensure_prefix
drive_c=$WINEPREFIX/drive_c
game=$drive_c/ZolmirDemo
shots=$demo/screenshots

# The game as its installer left it.
rm -rf "$game" "$shots" "$drive_c/windows/zolmirdemo.ini"
mkdir -p "$shots"
cp -r demo/game "$game"
touch -d '2020-01-01 12:00' "$game" "$game"/* "$game"/*/*

# The update's source folder: settings and readme in code page 932, the menu picture from the
# converter, and a large file so that the copy progress can be watched.
stage=$demo/update
rm -rf "$stage"
cp -r demo/update "$stage"
iconv -f UTF-8 -t CP932 demo/update/install.env >"$stage/install.env"
sed 's/$/\r/' demo/update/readme.txt | iconv -f UTF-8 -t CP932 >"$stage/readme.txt"
python3 demo/picture/draw_menu.py "$demo/menu.bmp"
"$mkupdate" picture "$demo/menu.bmp" "$stage/insttscr.rct"
mkdir -p "$stage/movie"
head -c 33554432 /dev/urandom >"$stage/movie/opening.dat"
updater=$demo/ZolmirDemo_Update.exe
"$mkupdate" pack --stub "$windows_build/Updata.exe" --out "$updater" --level 6 "$stage"

list_game() {
  (cd "$game" && find . -mindepth 1 -printf '  %TY-%Tm-%Td %TH:%TM  %10s  %P%y\n' | sed 's/f$//; s/d$/\//' | sort -k4)
}

bed_started=0
stop_bed() {
  if [ "$bed_started" = 1 ]; then scripts/wine-bed stop "$demo" >/dev/null; fi
}
trap stop_bed EXIT
if [ "$auto" = 1 ]; then
  scripts/wine-bed start "$demo" >/dev/null
  bed_started=1
fi
run_wine() {
  if [ "$auto" = 1 ]; then
    scripts/wine-run "$@"
  else
    LC_ALL=$WINE_LC_ALL "$(wine_loader_for "$1")" "$@"
  fi
}

driver=$windows_build/procedure_demo_driver.exe
run_wine "$driver" register 'C:\ZolmirDemo'
echo
echo "game folder before the update (C:\\ZolmirDemo):"
list_game

if [ "$auto" = 1 ]; then
  echo
  run_wine "$driver" drive "Z:${updater//\//\\}" | iconv -c -f CP932 -t UTF-8
  for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
else
  echo
  echo "demo: the updater opens on your display; go through it, then this script reports."
  run_wine "$updater"
fi

echo
echo "game folder after the update:"
list_game
echo
echo "INI file C:\\windows\\zolmirdemo.ini:"
if [ -f "$drive_c/windows/zolmirdemo.ini" ]; then
  iconv -f CP932 -t UTF-8 "$drive_c/windows/zolmirdemo.ini" | sed 's/\r$//; s/^/  /'
else
  echo "  (not written)"
fi
echo
run_wine "$driver" report | iconv -c -f CP932 -t UTF-8
if [ "$auto" = 1 ]; then
  echo
  echo "screenshots:"
  ls "$shots"/*.png 2>/dev/null | sed 's/^/  /'
fi
