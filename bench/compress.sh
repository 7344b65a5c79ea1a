#!/usr/bin/env bash
# Compression benchmark over the shared corpus. Runs side by side:
#   batch   varto-compress-cli with its defaults (one job per core)
#   ebook   gs -dPDFSETTINGS=/ebook, one file after the other
#   raw     the same Ghostscript arguments as the batch command, then qpdf,
#           the smaller file winning, as a plain shell script
# and prints per peer the total size ratio (sum of outputs / sum of inputs;
# a missing output, or one whose page count differs from its input's, counts
# as the input's size), the files made larger, the files that lost pages
# (damaged input turned into a blank page), and the wall time; then
# the batch command's overhead over the raw two steps (both one file at a
# time; goal at most 5 %) and --jobs 2 against --jobs 1 (goal at least 1.6x).
# Then the lossless step after qpdf, one file at a time, side by side: the
# ratio without it (--no-share --no-slim --no-reencode), with object sharing
# alone (--no-slim --no-reencode), with sharing and font slimming
# (--no-reencode) and with exact re-encoding too (the defaults), and the
# step's share of the time (goal at most 5 % without re-encoding). The four
# runs of each file follow each other, so that a change in the machine's
# load touches all alike; besides wall time they count CPU time (the
# command's and its tools'), and the step's own time as its log lines give
# it, against the rest of the run it ran in. For the re-encoding: the ratios
# of the text manuals (text-*) and of the whole corpus without and with it
# (goal: whole corpus -3 % or better), the JPEG bytes before and after (goal
# -7 % or better) and its own time against the rest of its run (goal at most
# 15 %). Last, the peak memory of the batch command with and without the
# step on the largest file and on the file the step took longest on (goal
# at most 400 MB).
#
# First of all, the planner against the roads it chooses between, each file's
# four runs back to back (one job, so the load touches all four alike):
#   planner   the batch command's defaults
#   thorough  --thorough: Ghostscript on every PDF, then qpdf and sharing
#   lossless  --lossless: qpdf, sharing and re-encoding only
#   designed  --thorough --no-share --no-slim --no-reencode: Ghostscript then qpdf alone
# with per file the sizes, which result the planner kept and its decision
# time, then the totals against the goals (wall time at most 0.35 of
# thorough's, sizes at most 1.005 of thorough's, no file more than 1 %
# larger than thorough's or larger than its input).
#
# Then (or alone, with --target) the target size on the corpus's image and
# scan files (MANIFEST.tsv's kinds "image" and "scan"), each with limits of
# 50 % and 25 % of its size (--target-size in bytes, one job): per run the
# size, whether it fits, its share of the limit, the chosen settings, the
# whole-file runs and the time against one default run of the same file;
# then the hit rate, the mean share of the limit of the hits (goal >= 0.85),
# the mean whole-file runs per file (goal <= 3) and the time against the
# default runs.
#
#   bench/compress.sh [--quick] [--planner | --target | --reencode [--compare CLI]] [CORPUS_FOLDER]
# --quick leaves out files above 5 MB; --planner stops after the planner's
# comparison; --target runs the target-size table alone; --reencode runs
# only the re-encoding's table: each file without it (--no-reencode) and
# with it back to back, per file the sizes and the re-encoding's own time
# against the rest of its run, then the totals as above; --compare CLI adds a third run of each file with another build's
# batch command (another Deflate level, say). The user-password file gets its
# password ("secret") in every peer.
set -euo pipefail
export LC_ALL=C  # numbers with a decimal point in awk and printf
here="$(cd "$(dirname "$0")/.." && pwd)"
quick=0
planner_only=0
target_only=0
reencode_only=0
compare=""
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1; shift;;
    --planner) planner_only=1; shift;;
    --target) target_only=1; shift;;
    --reencode) reencode_only=1; shift;;
    --compare) compare="$(realpath "$2")"; shift 2;;
    *) break;;
  esac
done
corpus="${1:-${VARTO_CORPUS:-$here/../shared/corpus}}"
build="${VARTO_BUILD_DIR:-$here/build}"
cli="$build/bin/varto-compress-cli"
[ -d "$corpus" ] || { echo "no corpus folder: $corpus" >&2; exit 2; }
cmake --build "$build" --target varto-compress-cli >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/varto-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"

files=()
for f in "$corpus"/*.pdf; do
  if [ "$quick" = 1 ] && [ "$(stat -c %s "$f")" -gt 5000000 ]; then continue; fi
  files+=("$f")
done
password_of() { case "$(basename "$1")" in enc-user-*) echo secret;; *) echo "";; esac; }
now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
pages() {  # file [password]
  qpdf ${2:+--password=$2} --show-npages "$1" 2>/dev/null || echo NA
}

# The planner against the roads it chooses between.
planner_section() {
  local v dir f base size out osize line
  declare -A pwall psum
  local variants=(planner thorough lossless designed)
  for v in "${variants[@]}"; do pwall[$v]=0; psum[$v]=0; mkdir -p "$work/p-$v"; done
  local in_sum=0 worse=0 larger=0 decide_sum=0
  printf '%-34s %9s %9s %9s %9s %9s %7s %7s  %-13s %s\n' file input planner thorough lossless \
    designed "pl. s" "th. s" "planner kept" "decided in"
  for f in "${files[@]}"; do
    base="$(basename "$f" .pdf)"; size=$(stat -c %s "$f"); in_sum=$((in_sum + size))
    declare -A psize ptime
    for v in "${variants[@]}"; do
      local opts=()
      case "$v" in
        thorough) opts=(--thorough);;
        lossless) opts=(--lossless);;
        designed) opts=(--thorough --no-share --no-slim --no-reencode);;
      esac
      dir="$work/p-$v"
      /usr/bin/time -f '%e' -o "$work/time" "$cli" -v --jobs 1 "${opts[@]}" --password secret \
        -o "$dir" "$f" >/dev/null 2>"$work/p-$v.log" || true
      ptime[$v]=$(tail -1 "$work/time")
      pwall[$v]=$(calc "${pwall[$v]} + ${ptime[$v]}")
      out="$dir/${base}_compressed.pdf"
      osize=$size  # no output, or one that lost pages: nothing gained
      if [ -s "$out" ] && [ "$(pages "$out" "$(password_of "$f")")" = "$(pages "$f" "$(password_of "$f")")" ]; then
        osize=$(stat -c %s "$out")
      fi
      psize[$v]=$osize
      psum[$v]=$((psum[$v] + osize))
    done
    line="$(grep -m1 '^Planner: ' "$work/p-planner.log" || true)"
    local kept="-" took=""
    case "$line" in
      "Planner: took the Ghostscript"*) kept="Ghostscript's";;
      "Planner: kept the lossless"*) kept="lossless";;
    esac
    took="$(sed -n 's/.*(decided in \([0-9.]*\) s).*/\1/p' <<<"$line")"
    decide_sum=$(calc "$decide_sum + ${took:-0}")
    awk "BEGIN { exit !(${psize[planner]} > ${psize[thorough]} * 1.01) }" && worse=$((worse + 1))
    [ "${psize[planner]}" -gt "$size" ] && larger=$((larger + 1))
    printf '%-34s %9d %9d %9d %9d %9d %7.1f %7.1f  %-13s %s\n' "${base:0:34}" "$size" \
      "${psize[planner]}" "${psize[thorough]}" "${psize[lossless]}" "${psize[designed]}" \
      "${ptime[planner]}" "${ptime[thorough]}" "$kept" "${took:+$took s}"
    unset psize ptime
  done
  for v in "${variants[@]}"; do
    printf '%-9s ratio %.3f  wall %7.1f s\n' "$v" "$(calc "${psum[$v]} / $in_sum")" "${pwall[$v]}"
  done
  printf 'planner against thorough: wall %.2f (goal <= 0.35), size %.4f (goal <= 1.005),' \
    "$(calc "${pwall[planner]} / ${pwall[thorough]}")" "$(calc "${psum[planner]} / ${psum[thorough]}")"
  printf ' files more than 1 %% larger %d (goal 0), larger than their input %d (goal 0)\n' \
    "$worse" "$larger"
  printf "the planner's decisions: %.1f s in all\n" "$decide_sum"
}
# Prints the peer's line from its output folder and wall time (and CPU time
# when known).
report() {  # name folder seconds suffix [cpu_seconds]
  local name="$1" dir="$2" seconds="$3" suffix="$4" cpu="${5:-}" in_total=0 out_total=0
  local larger=0 lost=0
  for f in "${files[@]}"; do
    local base size out osize
    base="$(basename "$f" .pdf)"; size=$(stat -c %s "$f")
    out="$dir/$base$suffix.pdf"
    in_total=$((in_total + size))
    if [ -s "$out" ]; then
      osize=$(stat -c %s "$out")
      [ "$osize" -gt "$size" ] && larger=$((larger + 1))
      local pin pout
      pin="$(pages "$f" "$(password_of "$f")")"; pout="$(pages "$out" "$(password_of "$f")")"
      if [ "$pin" != "$pout" ]; then
        lost=$((lost + 1))
        osize=$size  # an output that lost pages is no use
      fi
    else
      osize=$size  # no output: nothing gained
    fi
    out_total=$((out_total + osize))
  done
  last_ratio="$(calc "$out_total / $in_total")"
  printf '%-8s ratio %.3f  larger %d  pages lost %d  time %7.1f s%s\n' "$name" \
    "$(calc "$out_total / $in_total")" "$larger" "$lost" "$seconds" \
    "${cpu:+$(printf '  cpu %7.1f s' "$cpu")}"
}

elapsed() { calc "$2 - $1"; }

# One file at a time, each file's variants back to back, so that a change
# in load touches them alike. Adds the wall and CPU seconds of each variant
# up; the -v logs keep the step's lines. In the re-encoding's own table
# ($per_file) each file's sizes and re-encoding times are printed too.
declare -A wall cpu
variant_options() {  # variant
  case "$1" in
    nostep) echo --no-share --no-slim --no-reencode;; share) echo --no-slim --no-reencode;;
    slim) echo --no-reencode;; reenc|alt) echo;;
  esac
}
variant_dir() { case "$1" in reenc) echo "$work/batch1";; *) echo "$work/$1";; esac; }
variant_cli() { case "$1" in alt) echo "$compare";; *) echo "$cli";; esac; }
# "Object sharing: ... in 1.23 s" (also when it wrote nothing or was skipped)
own() {  # log
  { grep -ho '^Object sharing.* in [0-9.]* s$' "$1" || true; } |
    awk '{ s += $(NF-1) } END { printf "%.2f", s }'
}
# "Re-encoding: ... in 0.12 s"
reencode_own() {  # log
  { grep -h '^Re-encoding: .* in [0-9.]* s$' "$1" || true; } |
    awk '{ s += $(NF-1) } END { printf "%.2f", s }'
}
# The re-encoding line of the result the run kept: the Ghostscript road's
# comes after qpdf's run on Ghostscript's output; the lossless result's is
# the last other one (it may come before or after, and the lossless result
# may not be re-encoded at all when Ghostscript's wins).
kept_reencoding() {  # log
  local gs=0
  grep -q '^Planner: took the Ghostscript' "$1" && gs=1
  awk -v gs="$gs" '
    /^qpdf .*compress_gs_/ { road = "gs" }
    /^Re-encoding: / { if (road == "gs") g = $0; else l = $0 }
    /^Object sharing/ { road = "" }
    END { if (gs ? g : l) print (gs ? g : l) }' "$1"
}
per_file=0
slowest="" slowest_time=0  # the file the step took longest on
run_variants() {  # variants...
  local v f w u s t base
  local -A size took
  for v in "$@"; do wall[$v]=0; cpu[$v]=0; mkdir -p "$(variant_dir "$v")"; done
  if [ "$per_file" = 1 ]; then
    printf '%-34s %9s' file input
    for v in "$@"; do printf ' %9s' "$v"; done
    for v in "$@"; do [ "$v" = slim ] || printf '  %-13s' "$v: own/rest s"; done
    printf '\n'
  fi
  for f in "${files[@]}"; do
    base="$(basename "$f" .pdf)"
    for v in "$@"; do
      # shellcheck disable=SC2046  # the options are words
      /usr/bin/time -f '%e %U %S' -o "$work/time" "$(variant_cli "$v")" -v --jobs 1 \
        $(variant_options "$v") --password secret -o "$(variant_dir "$v")" "$f" \
        >/dev/null 2>"$work/one.log" || true
      cat "$work/one.log" >>"$work/$v.log"
      kept_reencoding "$work/one.log" >>"$work/$v.kept"
      read -r w u s < <(tail -1 "$work/time")
      wall[$v]=$(calc "${wall[$v]} + $w"); cpu[$v]=$(calc "${cpu[$v]} + $u + $s")
      size[$v]=$(stat -c %s "$(variant_dir "$v")/${base}_compressed.pdf" 2>/dev/null || echo 0)
      t=$(reencode_own "$work/one.log")
      took[$v]="$(printf '%.2f / %.1f' "$t" "$(calc "$w - $t")")"
    done
    t=$(own "$work/one.log")
    if awk "BEGIN { exit !($t > $slowest_time) }"; then slowest="$f" slowest_time=$t; fi
    if [ "$per_file" = 1 ]; then
      printf '%-34s %9d' "${base:0:34}" "$(stat -c %s "$f")"
      for v in "$@"; do printf ' %9d' "${size[$v]}"; done
      for v in "$@"; do [ "$v" = slim ] || printf '  %s' "${took[$v]}"; done
      printf '\n'
    fi
  done
}

# The re-encoding alone: text manuals and whole corpus without (the
# variant "slim": sharing and slimming) and with it (variant $1), from the
# variants' folders, wall times and logs.
reencode_summary() {  # variant title
  local v="$1" texts=() f
  local -A text_ratio all_ratio
  for f in "${files[@]}"; do case "$(basename "$f")" in text-*) texts+=("$f");; esac; done
  echo "exact re-encoding, $2 (one file at a time; without = sharing and slimming):"
  report_texts() { local files=("${texts[@]}"); report "$@"; }
  if [ ${#texts[@]} -gt 0 ]; then
    for w in slim "$v"; do
      report_texts "text-$w" "$(variant_dir "$w")" "${wall[$w]}" _compressed
      text_ratio[$w]=$last_ratio
    done
    printf 'text manuals: %+.2f %% with re-encoding\n' \
      "$(calc "(${text_ratio[$v]} - ${text_ratio[slim]}) * 100 / ${text_ratio[slim]}")"
  fi
  for w in slim "$v"; do
    report "all-$w" "$(variant_dir "$w")" "${wall[$w]}" _compressed
    all_ratio[$w]=$last_ratio
  done
  printf 'whole corpus: %+.2f %% with re-encoding (goal <= -3 %%)\n' \
    "$(calc "(${all_ratio[$v]} - ${all_ratio[slim]}) * 100 / ${all_ratio[slim]}")"
  # "Re-encoding: 3 streams smaller (JPEG 1 of 2: 100 to 90 bytes; Flate ...) in 0.12 s";
  # bytes of the results kept, time of every run of the step (also on the
  # candidates the planner did not keep).
  local all kept
  all=$(reencode_own "$work/$v.log"); kept=$(reencode_own "$work/$v.kept")
  sed -n 's/^Re-encoding: .*(JPEG [0-9]* of [0-9]*: \([0-9]*\) to \([0-9]*\) bytes; Flate [0-9]* of [0-9]*: \([0-9]*\) to \([0-9]*\) bytes; other [0-9]* of [0-9]*: \([0-9]*\) to \([0-9]*\) bytes).* in \([0-9.]*\) s$/\1 \2 \3 \4 \5 \6 \7/p' \
    "$work/$v.kept" | awk -v rest="${wall[$v]}" -v t="$all" -v kept="$kept" '
    { for (i = 1; i <= 6; i++) b[i] += $i }
    END {
      printf "JPEG bytes %d -> %d (%+.1f %%; goal <= -7 %%), Flate %d -> %d (%+.1f %%), other %d -> %d\n",
        b[1], b[2], b[1] ? (b[2] - b[1]) * 100 / b[1] : 0, b[3], b[4], b[3] ? (b[4] - b[3]) * 100 / b[3] : 0, b[5], b[6]
      printf "re-encoding own time %.1f s (%.1f s of it on the results kept), adding %.1f %% to the rest of its run (goal <= 15 %%)\n",
        t, kept, (rest > t ? t * 100 / (rest - t) : 0)
    }'
  if grep -q 'time limit reached' "$work/$v.log"; then
    echo "time limit reached in $(grep -c 'time limit reached' "$work/$v.log") files"
  fi
}
# The target size on the image and scan files, at 50 % and 25 % of each.
target_section() {
  local f base size share limit line out runs dpi quality seconds fits
  local count=0 hits=0 share_sum=0 runs_sum=0 default_sum=0 target_sum=0 top=0 top_share=0
  local dir="$work/t"
  mkdir -p "$dir"
  printf '%-30s %5s %9s %9s %5s %6s %-12s %4s %7s %7s\n' file limit bytes output fits share \
    settings runs "s" "x default"
  for f in "${files[@]}"; do
    base="$(basename "$f")"
    awk -F'\t' -v n="$base" '$1 == n && ($5 == "image" || $5 == "scan") { found = 1 } END { exit !found }' \
      "$corpus/MANIFEST.tsv" 2>/dev/null || continue
    size=$(stat -c %s "$f")
    rm -rf "$dir"/*
    /usr/bin/time -f '%e' -o "$work/time" "$cli" --jobs 1 -o "$dir" "$f" >/dev/null 2>&1 || true
    local default_seconds
    default_seconds=$(tail -1 "$work/time")
    for share in 50 25; do
      limit=$((size * share / 100))
      rm -rf "$dir"/*
      /usr/bin/time -f '%e' -o "$work/time" "$cli" --jobs 1 --json --target-size "$limit" -o "$dir" \
        "$f" >"$work/t.json" 2>/dev/null || true
      seconds=$(tail -1 "$work/time")
      line="$(grep -m1 '"type":"file"' "$work/t.json" || true)"
      out=$(sed -n 's/.*"output_bytes":\([0-9]*\).*/\1/p' <<<"$line")
      runs=$(sed -n 's/.*"whole_file_runs":\([0-9]*\).*/\1/p' <<<"$line")
      dpi=$(sed -n 's/.*"dpi":\([0-9a-z]*\).*/\1/p' <<<"$line")
      quality=$(sed -n 's/.*"quality":\([0-9a-z]*\).*/\1/p' <<<"$line")
      fits=no
      [ -n "$out" ] && [ "$out" -le "$limit" ] && fits=yes
      count=$((count + 1))
      runs_sum=$((runs_sum + ${runs:-0}))
      default_sum=$(calc "$default_sum + $default_seconds")
      target_sum=$(calc "$target_sum + $seconds")
      if [ "$fits" = yes ]; then
        hits=$((hits + 1))
        share_sum=$(calc "$share_sum + $out / $limit")
        if [ "$quality" = 85 ] && [ "$dpi" = 144 ]; then
          top=$((top + 1))
          top_share=$(calc "$top_share + $out / $limit")
        fi
      fi
      printf '%-30s %4d%% %9d %9s %5s %6.3f %-12s %4s %7.1f %7.2f\n' "${base:0:30}" "$share" "$limit" \
        "${out:-none}" "$fits" "$(calc "${out:-0} / $limit")" "${dpi}/${quality}" "${runs:-?}" \
        "$seconds" "$(calc "$seconds / $default_seconds")"
    done
  done
  [ "$count" -gt 0 ] || { echo "no image or scan files in the corpus"; return; }
  # A hit at the first setting (quality 85 at the form's resolution) has no
  # better one to take, however far below the limit it is.
  printf 'target size: hit rate %d of %d, mean share of the limit %.3f (goal >= 0.85),' "$hits" "$count" \
    "$(calc "($hits > 0) ? $share_sum / $hits : 0")"
  printf ' %.3f without the %d hits at the first setting,' \
    "$(calc "($hits > $top) ? ($share_sum - $top_share) / ($hits - $top) : 0")" "$top"
  printf ' whole-file runs %.2f a run (goal <= 3), time %.2f of one default run\n' \
    "$(calc "$runs_sum / $count")" "$(calc "$target_sum / $default_sum")"
}

echo "corpus: ${#files[@]} files, $(du -ch "${files[@]}" | tail -1 | cut -f1), $(nproc) cores," \
  "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$reencode_only" = 1 ]; then
  per_file=1
  if [ -n "$compare" ]; then run_variants slim reenc alt; else run_variants slim reenc; fi
  reencode_summary reenc "this build"
  [ -z "$compare" ] || reencode_summary alt "$compare"
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi
if [ "$target_only" = 1 ]; then
  target_section
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi
planner_section
if [ "$planner_only" = 1 ]; then
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi

# The exact Ghostscript command line of the batch command, from its log.
# Tried on the smallest files first; a damaged one stops before Ghostscript.
template=""
while read -r f; do
  template_pdf="$work/template.pdf"
  cp "$f" "$template_pdf"
  template="$("$cli" -v --jobs 1 --password secret -o "$work/template" "$template_pdf" 2>&1 \
    >/dev/null | grep -m1 -- '-sDEVICE=pdfwrite' || true)"
  [ -n "$template" ] && break
done < <(ls -S "${files[@]}" | tac)
[ -n "$template" ] || { echo "could not read the batch command's Ghostscript line" >&2; exit 1; }

raw_one() {  # input output
  local in="$1" out="$2" gsout="$work/raw.gs.pdf" qpout="$work/raw.qpdf.pdf" pw best
  pw="$(password_of "$in")"
  local line="${template//-sOutputFile=*\" -dAutoRotatePages/-sOutputFile=$gsout\" -dAutoRotatePages}"
  line="${line% -f \"*} -f \"$in\""
  if [ -n "$pw" ]; then line="${line/ -f / -sPDFPassword=$pw -f }"; fi
  rm -f "$gsout" "$qpout"
  eval "$line" >/dev/null 2>&1 || true
  best="$in"
  if [ -s "$gsout" ] && [ "$(stat -c %s "$gsout")" -lt "$(stat -c %s "$best")" ]; then best="$gsout"; fi
  qpdf ${pw:+--password=$pw} --object-streams=generate "$best" "$qpout" >/dev/null 2>&1 || true
  if [ -s "$qpout" ] && [ "$(stat -c %s "$qpout")" -lt "$(stat -c %s "$best")" ]; then best="$qpout"; fi
  cp "$best" "$out"
}

ebook_one() {  # input output
  local pw; pw="$(password_of "$1")"
  gs -q -dBATCH -dNOPAUSE -dSAFER ${pw:+-sPDFPassword=$pw} -sDEVICE=pdfwrite \
    -dPDFSETTINGS=/ebook -sOutputFile="$2" -f "$1" >/dev/null 2>&1 || true
}



mkdir -p "$work/batch" "$work/batch1" "$work/ebook" "$work/raw" "$work/nostep" "$work/share" \
  "$work/slim"
t0=$(now); "$cli" --password secret -o "$work/batch" "${files[@]}" >/dev/null || true; t1=$(now)
batch_time=$(elapsed "$t0" "$t1")

variants=(nostep share slim reenc)
run_variants "${variants[@]}"
batch1_time=${wall[reenc]}
nostep_time=${wall[nostep]}
t0=$(now); for f in "${files[@]}"; do ebook_one "$f" "$work/ebook/$(basename "$f")"; done; t1=$(now)
ebook_time=$(elapsed "$t0" "$t1")
t0=$(now); for f in "${files[@]}"; do raw_one "$f" "$work/raw/$(basename "$f")"; done; t1=$(now)
raw_time=$(elapsed "$t0" "$t1")

report batch "$work/batch" "$batch_time" _compressed
report ebook "$work/ebook" "$ebook_time" ""
report raw "$work/raw" "$raw_time" ""
printf 'overhead of the batch command (--jobs 1, no step) over the raw two steps: %+.1f %% (goal <= 5 %%)\n' \
  "$(calc "($nostep_time - $raw_time) * 100 / $raw_time")"
printf -- '--jobs 2 against --jobs 1: %.2fx (%.1f s against %.1f s; goal >= 1.6x)\n' \
  "$(calc "$batch1_time / $batch_time")" "$batch_time" "$batch1_time"

echo "the lossless step after qpdf (one file at a time, each file's four runs back to back):"
for v in "${variants[@]}"; do report "$v" "$(variant_dir "$v")" "${wall[$v]}" _compressed "${cpu[$v]}"; done
step_share() {  # variant kind(wall|cpu)
  local -n t="$2"; calc "(${t[$1]} - ${t[nostep]}) * 100 / ${t[nostep]}"
}
printf 'wall time of the step: sharing %+.1f %%, sharing and slimming %+.1f %% (goal <= 5 %%), with re-encoding %+.1f %%\n' \
  "$(step_share share wall)" "$(step_share slim wall)" "$(step_share reenc wall)"
printf 'CPU time of the step: sharing %+.1f %%, sharing and slimming %+.1f %%, with re-encoding %+.1f %%\n' \
  "$(step_share share cpu)" "$(step_share slim cpu)" "$(step_share reenc cpu)"
# Under changing load the three runs' times differ by more than the step
# costs; its own time against the rest of the run it ran in does not.
for v in share slim reenc; do
  o=$(own "$work/$v.log")
  printf "the step's own time (its log lines), %s: %.1f s, adding %.1f %% to the rest of that run (goal <= 5 %%)\n" \
    "$v" "$o" "$(calc "$o * 100 / (${wall[$v]} - $o)")"
done
reencode_summary reenc "the defaults"
peak() {  # file options...
  local dir="$work/peak" file="$1"; shift; rm -rf "$dir"; mkdir -p "$dir"
  /usr/bin/time -f %M "$cli" --jobs 1 --password secret -o "$dir" "$@" "$file" 2>&1 >/dev/null \
    | tail -1
}
largest="$(ls -S "${files[@]}" | head -1)"
for f in "$largest" ${slowest:+"$slowest"}; do
  printf 'peak memory on %s: %d MB without the step, %d MB with it (goal <= 400 MB)\n' \
    "$(basename "$f")" "$(( $(peak "$f" --no-share --no-slim --no-reencode) / 1024 ))" "$(( $(peak "$f") / 1024 ))"
  [ "$f" != "$slowest" ] || break
done
target_section
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
