#!/usr/bin/env bash
# Compares `parvolind-cli run` with cp -a, rsync -a and (where installed) unison,
# side by side on generated trees. See bench/README.md.
#
#   bench/run.sh [--quick] [--million] [--keep] [--cli PATH] [--only PARTS]
#
# PARTS: first, same, change, delete, both, memory, preview (runs over file trees), window
# (a run through the desktop program's window, offscreen, beside the same run of the CLI),
# tick (the job tick over 20,000 jobs in the window), and, only when asked for, store
# (export and list of large keys).
set -euo pipefail

REPS=5
MILLION=0
KEEP=0
ONLY="first,same,change,delete,both,memory,preview,window,tick"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
CLI="${PARVOLIND_CLI:-}"
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) REPS=3 ;;
    --million) MILLION=1 ;;
    --keep) KEEP=1 ;;
    --cli) CLI="$2"; shift ;;
    --only) ONLY="$2"; shift ;;
    *) echo "usage: $0 [--quick] [--million] [--keep] [--cli PATH] [--only first,same,change,delete,both,memory,preview,window,tick,store]" >&2; exit 2 ;;
  esac
  shift
done

# The peers come from Debian; install the ones that are missing, as the other scripts do.
missing=()
for package in rsync unison; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
command -v rsync >/dev/null 2>&1 || { echo "bench: rsync is needed (apt-get install rsync)" >&2; exit 1; }

if [ -z "$CLI" ]; then
  BUILD="$HERE/../build-bench"
  cmake -S "$HERE/.." -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPARVOLIND_BUILD_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j2 --target parvolind-cli parvolind-window-run \
    parvolind-window-tick >/dev/null
  CLI="$BUILD/bin/parvolind-cli"
fi
WINDOW_RUN="$(dirname "$CLI")/parvolind-window-run"
WINDOW_TICK="$(dirname "$CLI")/parvolind-window-tick"

B="$(mktemp -d /tmp/parvolind-bench.XXXXXX)"
cleanup() { if [ "$KEEP" = 0 ]; then rm -rf "$B"; else echo "kept $B"; fi; }
trap cleanup EXIT
# XDG_DATA_HOME holds the desktop's trash, which gets the files a run deletes or replaces.
export XDG_CONFIG_HOME="$B/xdg/config" XDG_STATE_HOME="$B/xdg/state" XDG_RUNTIME_DIR="$B/xdg/run"
export XDG_DATA_HOME="$B/xdg/data"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME" "$B/bin" "$B/trash" "$B/t"
chmod 700 "$XDG_RUNTIME_DIR"
# The program logs beside itself: a copy keeps the log in the bench folder.
cp "$CLI" "$B/bin/parvolind-cli"
P="$B/bin/parvolind-cli"
W=""
if [ -x "$WINDOW_RUN" ]; then cp "$WINDOW_RUN" "$B/bin/parvolind-window-run"; W="$B/bin/parvolind-window-run"; fi
T=""
if [ -x "$WINDOW_TICK" ]; then cp "$WINDOW_TICK" "$B/bin/parvolind-window-tick"; T="$B/bin/parvolind-window-tick"; fi
HAVE_UNISON=0
if command -v unison >/dev/null 2>&1; then HAVE_UNISON=1; export UNISON="$B/unison"; mkdir -p "$UNISON"; fi

echo "bench folder $B, $REPS timed runs per figure after one warm-up"

want() { [[ ",$ONLY," == *",$1,"* ]]; }

# ---------------------------------------------------------------- trees
gen() {  # gen KIND DIR
  python3 - "$1" "$2" <<'EOF'
import os, random, sys
kind, root = sys.argv[1], sys.argv[2]
rnd = random.Random(7)
blob = os.urandom(1 << 20)
def write(path, size):
    with open(path, "wb") as f:
        off = rnd.randrange(0, len(blob) - size) if size < len(blob) else 0
        f.write(blob[off:off + size])
if kind == "small":      # 20,000 files of 1-16 KiB in 400 folders (20 x 20)
    n = 0
    for a in range(20):
        for b in range(20):
            d = os.path.join(root, "d%02d" % a, "s%02d" % b)
            os.makedirs(d, exist_ok=True)
            for i in range(50):
                write(os.path.join(d, "f%05d.dat" % n), rnd.randint(1024, 16384)); n += 1
elif kind == "tiny" or kind == "million":  # tiny files, 100 per folder
    total = 100000 if kind == "tiny" else 1000000
    per = 100
    for n in range(total):
        if n % per == 0:
            d = os.path.join(root, "d%03d" % (n // (per * 100)), "s%05d" % (n // per))
            os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "t%07d" % n), "wb") as f:
            f.write(b"x" * rnd.randint(1, 200))
elif kind == "large":    # 4 files of 256 MiB
    os.makedirs(root, exist_ok=True)
    for i in range(4):
        with open(os.path.join(root, "large%d.bin" % i), "wb") as f:
            for _ in range(256):
                f.write(blob)
EOF
}

change_files() {  # change_files DIR PERCENT SEED [HALF]: rewrites that share of the files
  python3 - "$1" "$2" "$3" "${4:-all}" <<'EOF'
import os, random, sys, time
root, percent, seed, half = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
files = sorted(os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs)
# Both sides of a two-way run change different halves, so that no change conflicts.
if half == "first": files = files[:len(files) // 2]
if half == "second": files = files[len(files) // 2:]
rnd = random.Random(seed)
now = time.time()
for p in rnd.sample(files, max(1, int(len(files) * percent / 100))):
    with open(p, "ab") as f:
        f.write(b"changed %d\n" % seed)
    os.utime(p, (now, now))
EOF
}

# ---------------------------------------------------------------- jobs
reg_job() {  # reg_job NAME DIR1 DIR2 DOWN UP DELOTHERS
  cat <<EOF

[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs\\$1]
"Name"="$1"
"Definition"="bench"
"Execution"="n/a"
"Dir1"="$2"
"Dir2"="$3"
"SubDirs"=dword:00000001
"DirUp"=dword:0000000$5
"DirDown"=dword:0000000$4
"CritAll"=dword:00000000
"CritNew"=dword:00000001
"CritNewer"=dword:00000000
"ArchivBit"=dword:00000000
"DelOthers"=dword:0000000$6
"FilterType"=dword:00000000
"Filter"=""
"FilterOld"=dword:00000000
"FilterValue"=dword:0000000e
"Intervall"=dword:0000000a
"IntEnabled"=dword:00000000
"Time"="18:00"
"TimeEnabled"=dword:00000000
"CRC32"=dword:00000000
"NextSync"=hex:00,00,00,00,00,00,00,00
"Recover"=dword:00000002
EOF
}

# ---------------------------------------------------------------- timing
declare -A TIMES RSS
timed() {  # timed LABEL CMD...: wall time into TIMES[LABEL], peak RSS (KiB) into RSS[LABEL]
  local label="$1"; shift
  sync
  local t0 t1
  t0=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$B/rss" "$@" >/dev/null 2>"$B/err" || {
    echo "FAILED: $*" >&2; cat "$B/err" >&2; exit 1; }
  t1=$EPOCHREALTIME
  TIMES[$label]+="$(python3 -c "print(f'{$t1-$t0:.4f}')") "
  RSS[$label]+="$(tail -n1 "$B/rss") "
}
median() { python3 -c "import statistics,sys; print(f'{statistics.median(map(float, sys.argv[1:])):.3f}')" $1; }
maxof() { python3 -c "import sys; print(max(map(int, sys.argv[1:])))" $1; }
ratio() { python3 -c "print(f'{$1/$2:.2f}')"; }

N=0
aside() { for d in "$@"; do if [ -e "$d" ]; then N=$((N+1)); mv "$d" "$B/trash/$N"; fi; done; }

report() {  # report TITLE LABEL... : first label is parvolind, the others its peers
  local title="$1"; shift
  local p="$1"; shift
  local mp; mp=$(median "${TIMES[$p]}")
  local line="$title: parvolind ${mp}s"
  for peer in "$@"; do
    [ -n "${TIMES[$peer]:-}" ] || continue
    local mq; mq=$(median "${TIMES[$peer]}")
    line+=", $peer ${mq}s (ratio $(ratio "$mp" "$mq"))"
  done
  echo "$line"
}

# ---------------------------------------------------------------- the store
# Export and list walk a key by index; their cost per entry must not grow with
# the key's size. Peers: importing the same file, and sqlite3's own dump of the
# whole database (where sqlite3 is installed).
store_reg() {  # store_reg KIND COUNT FILE
  python3 - "$1" "$2" "$B" > "$3" <<'EOF'
import sys
kind, count, base = sys.argv[1], int(sys.argv[2]), sys.argv[3]
out = ["Windows Registry Editor Version 5.00", ""]
if kind == "values":   # COUNT values in one key
    out.append("[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Many]")
    for i in range(count):
        if i % 10 == 0:
            out.append('"Zahl%06d"=dword:%08x' % (i, i))
        else:
            out.append('"Wert%06d"="Inhalt des Werts %d"' % (i, i))
else:                  # COUNT jobs with the values a job has
    for i in range(count):
        name = "Auftrag %05d" % i
        out.append("")
        out.append("[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs\\%s]" % name)
        out.append('"Name"="%s"' % name)
        out.append('"Dir1"="%s/quelle/%d"' % (base, i))
        out.append('"Dir2"="%s/ziel/%d"' % (base, i))
        for flag in ("SubDirs", "DirDown", "CritNew", "IntEnabled", "OnMonday", "OnTuesday",
                     "OnWednesday", "OnThursday", "OnFriday", "OnSaturday", "OnSunday"):
            out.append('"%s"=dword:00000001' % flag)
        out.append('"Intervall"=dword:%08x' % (5 + i % 60))
        out.append('"TimeEnabled"=dword:00000000')
        out.append('"Time"="18:00"')
        out.append('"NextSync"=hex:00,00,00,00,00,00,00,00')
sys.stdout.write("\r\n".join(out) + "\r\n")
EOF
}
store_case() {  # store_case TITLE LABEL KIND COUNT COMMAND...: COMMAND beside its peers
  local title="$1" label="$2" kind="$3" count="$4"; shift 4
  local home="$B/store_$label"
  mkdir -p "$home/config" "$home/state" "$home/run"; chmod 700 "$home/run"
  store_reg "$kind" "$count" "$home/input.reg"
  local db="$home/config/parvolind/registry.sqlite"
  XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/run" \
    "$P" import "$home/input.reg" >/dev/null
  for rep in $(seq 0 "$REPS"); do
    if [ "$rep" = 0 ]; then
      XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/run" \
        "$@" >/dev/null
      continue
    fi
    timed "${label}_p" env XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" \
      XDG_RUNTIME_DIR="$home/run" "$@"
    timed "${label}_import" env XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" \
      XDG_RUNTIME_DIR="$home/run" "$P" import "$home/input.reg"
    if command -v sqlite3 >/dev/null 2>&1; then timed "${label}_dump" sqlite3 "$db" .dump; fi
  done
  report "$title" "${label}_p" "${label}_import" "${label}_dump"
}
if want store; then
  echo
  echo "== the store (peers: import of the same file, sqlite3 .dump of the database)"
  store_case "export, 10,000 values in one key" export10k values 10000 \
    "$P" export "$B/store_export10k/backup.reg"
  store_case "export, 100,000 values in one key" export100k values 100000 \
    "$P" export "$B/store_export100k/backup.reg"
  store_case "list, 20,000 jobs" list20k jobs 20000 "$P" list
fi

# ---------------------------------------------------------------- the job tick
# Once a minute the tick walks the window's job list. However long the list, it must
# hand the window its events about once a frame: the figure is the longest time the
# event loop did not turn during a tick, beside a frame of 60 Hz (16.7 ms). Of 20,000
# jobs a quarter run at a time of day half a day away, the others at intervals of
# 5 to 64 minutes, so none falls due while measured.
if want tick; then
  if [ -z "$T" ]; then echo "parvolind-window-tick is missing beside $CLI" >&2; exit 1; fi
  echo
  echo "== the job tick over 20,000 jobs in the window (offscreen)"
  home="$B/tick"
  mkdir -p "$home/config" "$home/state" "$home/run" "$home/data"; chmod 700 "$home/run"
  python3 - 20000 "$B" > "$home/jobs.reg" <<'EOF'
import sys, datetime
count, base = int(sys.argv[1]), sys.argv[2]
far = (datetime.datetime.now() + datetime.timedelta(hours=12)).strftime("%H:%M")
out = ["Windows Registry Editor Version 5.00", ""]
for i in range(count):
    name = "Auftrag %05d" % i
    timed = i % 4 == 3
    out.append("")
    out.append("[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs\\%s]" % name)
    out.append('"Name"="%s"' % name)
    out.append('"Dir1"="%s/quelle/%d"' % (base, i))
    out.append('"Dir2"="%s/ziel/%d"' % (base, i))
    for flag in ("SubDirs", "DirDown", "CritNew", "OnMonday", "OnTuesday",
                 "OnWednesday", "OnThursday", "OnFriday", "OnSaturday", "OnSunday"):
        out.append('"%s"=dword:00000001' % flag)
    out.append('"IntEnabled"=dword:%08x' % (0 if timed else 1))
    out.append('"Intervall"=dword:%08x' % (5 + i % 60))
    out.append('"TimeEnabled"=dword:%08x' % (1 if timed else 0))
    out.append('"Time"="%s"' % far)
    out.append('"NextSync"=hex:00,00,00,00,00,00,00,00')
sys.stdout.write("\r\n".join(out) + "\r\n")
EOF
  XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/run" \
    XDG_DATA_HOME="$home/data" "$P" import "$home/jobs.reg" >/dev/null
  # One untimed tick first, then the timed ones, all in one window.
  XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/run" \
    XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen "$T" $((REPS + 1)) \
    > "$home/ticks.txt" 2>/dev/null || { echo "FAILED: $T" >&2; exit 1; }
  python3 - "$home/ticks.txt" <<'EOF'
import re, statistics, sys
rows = [tuple(map(float, re.findall(r"([0-9.]+) ms", line)))
        for line in open(sys.argv[1]) if line.startswith("tick ")][1:]
whole = statistics.median(r[0] for r in rows)
held = statistics.median(r[1] for r in rows)
print(f"tick over 20,000 jobs: window held at most {held:.1f} ms "
      f"(ratio to a frame of 16.7 ms {held / 16.7:.2f}), whole tick {whole:.0f} ms")
EOF
fi

FILES=0
for part in first same change delete both memory preview window; do if want "$part"; then FILES=1; fi; done
if [ "$FILES" = 0 ] && [ "$MILLION" = 0 ]; then echo; echo "done."; exit 0; fi

# ---------------------------------------------------------------- set-up
echo "building trees..."
TREES=0
for part in first same change delete both memory; do if want "$part"; then TREES=1; fi; done
if [ "$TREES" = 1 ]; then gen small "$B/small"; fi
gen tiny "$B/tiny"
if want first; then gen large "$B/large"; fi
mkdir -p "$B/empty"

{
  echo "Windows Registry Editor Version 5.00"
  reg_job first_small "$B/small" "$B/t/p_small" 1 0 0
  reg_job first_tiny "$B/tiny" "$B/t/p_tiny" 1 0 0
  reg_job first_large "$B/large" "$B/t/p_large" 1 0 0
  reg_job same_small "$B/small" "$B/t/s_small" 1 0 1
  reg_job same_tiny "$B/tiny" "$B/t/s_tiny" 1 0 1
  reg_job change_small "$B/c_src" "$B/t/c_p" 1 0 1
  reg_job delete_small "$B/d_src" "$B/t/d_p" 1 0 1
  reg_job both_small "$B/t/b_p1" "$B/t/b_p2" 1 1 0
  reg_job empty_base "$B/empty" "$B/t/e_p" 1 0 1
} > "$B/jobs.reg"
"$P" import "$B/jobs.reg" >/dev/null

# ---------------------------------------------------------------- first copy
first_copy() {  # first_copy TREE JOB
  local tree="$1" job="$2"
  for rep in $(seq 0 "$REPS"); do
    aside "$B/t/p_$tree" "$B/t/cp_$tree" "$B/t/rs_$tree"
    if [ "$rep" = 0 ]; then  # warm-up
      "$P" run "$job" >/dev/null; cp -a "$B/$tree" "$B/t/cp_$tree"; rsync -a "$B/$tree/" "$B/t/rs_$tree/"
      continue
    fi
    timed "p_$tree" "$P" run "$job"
    # The same with all work on one thread, to show what the copies made ready beside it buy
    # (a large file is copied in one stream either way).
    if [ "$tree" != large ]; then
      aside "$B/t/p_$tree"
      timed "p1_$tree" env PARVOLIND_THREADS=1 "$P" run "$job"
    fi
    timed "cp_$tree" cp -a "$B/$tree" "$B/t/cp_$tree"
    timed "rs_$tree" rsync -a "$B/$tree/" "$B/t/rs_$tree/"
  done
  report "first copy, $tree" "p_$tree" "cp_$tree" "rs_$tree"
  if [ "$tree" != large ]; then report "first copy, $tree, one thread" "p1_$tree" "cp_$tree"; fi
}
if want first; then
  echo
  echo "== first copy into an empty target"
  first_copy small first_small
  first_copy tiny first_tiny
  first_copy large first_large
fi

# ---------------------------------------------------------------- through the window
# The window hands control to its event loop during a run and repaints its panel;
# on 100,000 tiny files that must cost next to nothing against the CLI.
if want window; then
  if [ -z "$W" ]; then echo "parvolind-window-run is missing beside $CLI" >&2; exit 1; fi
  echo
  echo "== first copy of 100,000 tiny files through the window (offscreen) and the CLI"
  for rep in $(seq 0 "$REPS"); do
    aside "$B/t/p_tiny"
    if [ "$rep" = 0 ]; then  # warm-up
      QT_QPA_PLATFORM=offscreen "$W" first_tiny >/dev/null 2>&1; aside "$B/t/p_tiny"
      "$P" run first_tiny >/dev/null
      continue
    fi
    # Which of the two goes first alternates: the file system slows down and recovers
    # in phases, which would otherwise favour one of them.
    if [ $((rep % 2)) = 1 ]; then
      timed "window_tiny" env QT_QPA_PLATFORM=offscreen "$W" first_tiny
      aside "$B/t/p_tiny"
      timed "cli_tiny" "$P" run first_tiny
    else
      timed "cli_tiny" "$P" run first_tiny
      aside "$B/t/p_tiny"
      timed "window_tiny" env QT_QPA_PLATFORM=offscreen "$W" first_tiny
    fi
  done
  report "first copy, tiny, through the window" "window_tiny" "cli_tiny"
fi

# ---------------------------------------------------------------- nothing changed
same() {  # same TREE JOB
  local tree="$1" job="$2"
  cp -a "$B/$tree" "$B/t/s_$tree"; cp -a "$B/$tree" "$B/t/rss_$tree"
  if [ "$HAVE_UNISON" = 1 ]; then cp -a "$B/$tree" "$B/t/u_$tree"; fi
  for rep in $(seq 0 "$REPS"); do
    if [ "$rep" = 0 ]; then
      "$P" run "$job" >/dev/null; rsync -a "$B/$tree/" "$B/t/rss_$tree/"
      if [ "$HAVE_UNISON" = 1 ]; then unison "$B/$tree" "$B/t/u_$tree" -batch -auto -times -silent -ui text >/dev/null 2>&1; fi
      continue
    fi
    timed "same_p_$tree" "$P" run "$job"
    timed "same_p1_$tree" env PARVOLIND_THREADS=1 "$P" run "$job"
    timed "same_rs_$tree" rsync -a "$B/$tree/" "$B/t/rss_$tree/"
    if [ "$HAVE_UNISON" = 1 ]; then timed "same_u_$tree" unison "$B/$tree" "$B/t/u_$tree" -batch -auto -times -silent -ui text; fi
  done
  report "nothing changed, $tree" "same_p_$tree" "same_rs_$tree" "same_u_$tree" "same_p1_$tree"
  report "nothing changed, $tree, one thread" "same_p1_$tree" "same_rs_$tree" "same_u_$tree"
}
if want same || want memory; then
  echo
  echo "== re-run with nothing changed (criterion: new and changed files, with deletion)"
  same small same_small
  same tiny same_tiny
fi

# ---------------------------------------------------------------- preview
# A preview makes the run's decisions and does nothing: it must cost no more than a run that
# finds nothing to do. Its peer is rsync's dry run of the same mirror. Its 100,000 action lines
# (first copy) go to /dev/null like the peers' output.
if want preview; then
  echo
  echo "== preview of the 100,000 tiny files (peers: rsync -an, the run with nothing changed)"
  if [ ! -d "$B/t/s_tiny" ]; then cp -a "$B/tiny" "$B/t/s_tiny"; "$P" run same_tiny >/dev/null; fi
  aside "$B/t/p_tiny"
  mkdir -p "$B/t/pv_empty"
  for rep in $(seq 0 "$REPS"); do
    if [ "$rep" = 0 ]; then
      "$P" preview same_tiny >/dev/null 2>&1; "$P" preview first_tiny >/dev/null 2>&1
      continue
    fi
    timed pv_same "$P" preview same_tiny
    timed pv_same_rs rsync -an --delete "$B/tiny/" "$B/t/s_tiny/"
    timed pv_same_run "$P" run same_tiny
    timed pv_first "$P" preview first_tiny
    timed pv_first_rs rsync -an "$B/tiny/" "$B/t/pv_empty/"
  done
  report "preview, nothing changed, tiny" pv_same pv_same_rs pv_same_run
  report "preview, first copy (100,000 actions), tiny" pv_first pv_first_rs pv_same_run
fi

# ---------------------------------------------------------------- 1 % changed
if want change; then
echo
echo "== re-run after 1 % of 20,000 files changed"
cp -a "$B/small" "$B/c_src"
cp -a "$B/c_src" "$B/t/c_p"; cp -a "$B/c_src" "$B/t/c_rs"
if [ "$HAVE_UNISON" = 1 ]; then cp -a "$B/c_src" "$B/t/c_u"; fi
if [ "$HAVE_UNISON" = 1 ]; then unison "$B/c_src" "$B/t/c_u" -batch -auto -times -silent -ui text >/dev/null 2>&1; fi
for rep in $(seq 0 "$REPS"); do
  change_files "$B/c_src" 1 "$((rep + 100))"
  if [ "$rep" = 0 ]; then
    "$P" run change_small >/dev/null; rsync -a "$B/c_src/" "$B/t/c_rs/"
    if [ "$HAVE_UNISON" = 1 ]; then unison "$B/c_src" "$B/t/c_u" -batch -auto -times -silent -ui text >/dev/null 2>&1; fi
    continue
  fi
  timed change_p "$P" run change_small
  timed change_rs rsync -a "$B/c_src/" "$B/t/c_rs/"
  if [ "$HAVE_UNISON" = 1 ]; then timed change_u unison "$B/c_src" "$B/t/c_u" -batch -auto -times -silent -ui text; fi
done
report "1 % changed, small" change_p change_rs change_u
fi

# ---------------------------------------------------------------- deletion
if want delete; then
echo
echo "== one-way run deleting 1,000 of 20,000 files"
cp -a "$B/small" "$B/d_src"
python3 - "$B/d_src" <<'EOF'
import os, random, sys
files = sorted(os.path.join(d, f) for d, _, fs in os.walk(sys.argv[1]) for f in fs)
for p in random.Random(3).sample(files, 1000):
    os.remove(p)
EOF
for rep in $(seq 0 "$REPS"); do
  aside "$B/t/d_p" "$B/t/d_rs"
  cp -al "$B/small" "$B/t/d_p"; cp -al "$B/small" "$B/t/d_rs"
  if [ "$rep" = 0 ]; then
    "$P" run delete_small >/dev/null; rsync -a --delete "$B/d_src/" "$B/t/d_rs/"
    continue
  fi
  timed delete_p "$P" run delete_small
  timed delete_rs rsync -a --delete "$B/d_src/" "$B/t/d_rs/"
done
[ "$(find "$B/t/d_p" -type f | wc -l)" = 19000 ] || echo "WARNING: deletion left $(find "$B/t/d_p" -type f | wc -l) files"
report "delete 1,000 of 20,000" delete_p delete_rs
fi

# ---------------------------------------------------------------- both ways
if want both && [ "$HAVE_UNISON" = 1 ]; then
  echo
  echo "== both ways, 100 files changed on each side"
  for d in b_p1 b_p2 b_u1 b_u2; do cp -a "$B/small" "$B/t/$d"; done
  unison "$B/t/b_u1" "$B/t/b_u2" -batch -auto -times -silent -ui text >/dev/null 2>&1
  for rep in $(seq 0 "$REPS"); do
    for pair in p u; do
      change_files "$B/t/b_${pair}1" 1 "$((rep + 200))" first
      change_files "$B/t/b_${pair}2" 1 "$((rep + 300))" second
    done
    if [ "$rep" = 0 ]; then
      "$P" run both_small >/dev/null
      unison "$B/t/b_u1" "$B/t/b_u2" -batch -auto -times -silent -ui text >/dev/null 2>&1
      continue
    fi
    timed both_p "$P" run both_small
    timed both_u unison "$B/t/b_u1" "$B/t/b_u2" -batch -auto -times -silent -ui text
  done
  report "both ways" both_p both_u
fi

# ---------------------------------------------------------------- memory
if want memory || [ "$MILLION" = 1 ]; then
  timed base_p "$P" run empty_base
  BASE=$(maxof "${RSS[base_p]}")
fi
per_file() {  # per_file LABEL LISTED
  [ -n "${RSS[$1]:-}" ] || return 0
  local kb; kb=$(maxof "${RSS[$1]}")
  echo "$1: peak ${kb} KiB, $(python3 -c "print(round(($kb-$BASE)*1024/$2))") bytes per listed file ($2 listed)"
}
if want memory; then
  echo
  echo "== peak memory"
  echo "fixed base (empty tree): ${BASE} KiB"
  per_file p_small 20000
  per_file same_p_small 40000
  per_file same_p_tiny 200000
fi

# ---------------------------------------------------------------- a million files
if [ "$MILLION" = 1 ]; then
  echo
  echo "== 1,000,000 tiny files"
  gen million "$B/million"
  {
    echo "Windows Registry Editor Version 5.00"
    reg_job first_million "$B/million" "$B/t/p_million" 1 0 0
    reg_job same_million "$B/million" "$B/t/p_million" 1 0 1
  } > "$B/million.reg"
  "$P" import "$B/million.reg" >/dev/null
  timed million_first "$P" run first_million
  timed million_cp cp -a "$B/million" "$B/t/cp_million"
  timed million_same "$P" run same_million
  timed million_same_rs rsync -a "$B/million/" "$B/t/cp_million/"
  report "first copy, 1,000,000 files (one run)" million_first million_cp
  report "nothing changed, 1,000,000 files (one run)" million_same million_same_rs
  per_file million_first 1000000
  per_file million_same 2000000
fi

echo
echo "emptying the trash..."
