# Shared by wine-run and wine-bed: the Wine prefix, locale and display of one build directory.
# Sourced, not run. Everything lives under <build>/wine/ so build directories never meet:
#   prefix/      this build dir's Wine prefix, copied from a per-machine template
#   locale/      ja_JP.UTF-8 made with localedef, so Wine runs in code page 932
#   display      the Xvfb display number of the running test bed; xvfb.pid its process
#   lock         serialises first use

wine_template_root() {
  echo "${ZOLMIR_WINE_TEMPLATE:-${XDG_CACHE_HOME:-$HOME/.cache}/zolmir-wine}"
}

# The Wine loader: the 32-bit one runs 32-bit programs and is the normal choice; on a kernel
# that cannot execute 32-bit code only 64-bit programs can run, through wine64.
wine_can_run_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

wine_loader_for() {  # exe
  local exe=$1
  if wine_pe_is_64bit "$exe" || ! wine_can_run_32bit; then
    echo /usr/lib/wine/wine64
  else
    echo /usr/lib/wine/wine
  fi
}

# 0 when the file is a PE32+ (64-bit) image: the optional header's magic is 0x20B.
wine_pe_is_64bit() {
  local pe magic
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$pe" ] || return 1
  magic=$(od -An -tx2 -j$((pe + 24)) -N2 "$1" 2>/dev/null | tr -d ' ')
  [ "$magic" = 020b ]
}

# The build directory that holds `path`: the nearest parent with a CMakeCache.txt.
wine_build_dir_of() {
  local dir
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != / ]; do
    if [ -f "$dir/CMakeCache.txt" ]; then echo "$dir"; return 0; fi
    dir=$(dirname "$dir")
  done
  return 1
}

# Sets WINE_HOME and the environment every Wine program of this build dir runs in.
wine_setup_environment() {  # build-dir
  WINE_HOME="$1/wine"
  export WINEPREFIX="$WINE_HOME/prefix"
  export WINEDEBUG="${ZOLMIR_WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Given to Wine programs only (LC_ALL="$WINE_LC_ALL" ...): this shell lacks the locale.
  WINE_LC_ALL=ja_JP.UTF-8
  export LOCPATH="$WINE_HOME/locale"
  export WINEARCH=win64
  export ZOLMIR_TEST_AREA="$1/test-area"
  export ZOLMIR_SHOT_FOLDER="$1/screenshots"
  unset WINELOADER WINESERVER
}

# Makes the template prefix once per machine (wineboot takes 10-20 s), under a lock.
wine_ensure_template() {
  local root template
  root=$(wine_template_root)
  template="$root/template-$(/usr/lib/wine/wine64 --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' _)-$(id -u)"
  mkdir -p "$root"
  (
    flock 9
    if [ ! -f "$template/.complete" ]; then
      rm -rf "$template"
      echo "wine-env: making the template prefix $template (once per machine)" >&2
      WINEPREFIX="$template" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 \
        /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
      WINEPREFIX="$template" wineserver -w
      [ -f "$template/system.reg" ] || { echo "wine-env: wineboot made no prefix" >&2; exit 1; }
      touch "$template/.complete"
    fi
  ) 9>"$root/template.lock" || return 1
  WINE_TEMPLATE="$template"
}

# Copies the template into this build dir's prefix the fast way: hard links for the files
# Wine only reads, real copies of the registry hives so writes stay in this prefix.
wine_ensure_prefix() {
  mkdir -p "$WINE_HOME"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.complete" ]; then
      wine_ensure_template || exit 1
      rm -rf "$WINEPREFIX"
      cp -al "$WINE_TEMPLATE" "$WINEPREFIX" 2>/dev/null || cp -a "$WINE_TEMPLATE" "$WINEPREFIX"
      for hive in system.reg user.reg userdef.reg; do
        rm -f "$WINEPREFIX/$hive"
        cp "$WINE_TEMPLATE/$hive" "$WINEPREFIX/$hive"
      done
      rm -f "$WINEPREFIX/.complete"
      touch "$WINEPREFIX/.complete"
    fi
    if [ ! -f "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]; then
      mkdir -p "$LOCPATH"
      localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null ||
        [ -f "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ] ||
        { echo "wine-env: localedef could not make ja_JP.UTF-8" >&2; exit 1; }
    fi
  ) 9>"$WINE_HOME/lock"
}

# The display of this build dir's running test bed, when its Xvfb is alive.
wine_bed_display() {
  local pid
  [ -f "$WINE_HOME/display" ] && [ -f "$WINE_HOME/xvfb.pid" ] || return 1
  pid=$(cat "$WINE_HOME/xvfb.pid")
  kill -0 "$pid" 2>/dev/null || return 1
  echo ":$(cat "$WINE_HOME/display")"
}

# Starts Xvfb on a display number it picks itself (free, never another's). Prints "pid number".
wine_start_xvfb() {  # file-for-number
  local out=$1 pid i
  rm -f "$out"
  # Its own session, so it outlives the script that started it and ctest's clean-up of a test.
  setsid Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp -ac 7>"$out" \
    >/dev/null 2>&1 </dev/null &
  pid=$!
  for i in $(seq 1 100); do
    if [ -s "$out" ] && grep -q '^[0-9]' "$out"; then
      echo "$pid $(head -n1 "$out" | tr -dc 0-9)"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null
  echo "wine-env: Xvfb did not start" >&2
  return 1
}
