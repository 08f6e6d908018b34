#!/usr/bin/env bash
# Whole-process cost of `qmk fetch` beside `curl -s -o /dev/null`, both against one nginx on
# loopback, in the same run: a 20 MB file (time and peak memory) and a 10 KB page (time per
# process). The two commands alternate, and the figures are medians of the runs.
# Usage: bench/qmk_fetch_vs_curl.sh [path/to/qmk] [rounds]
set -euo pipefail
qmk=${1:-build/qmk}
rounds=${2:-15}
work=$(mktemp -d)
trap 'kill "$nginx_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/root" "$work/tmp"
head -c 20000000 /dev/urandom >"$work/root/big.bin"
head -c 10240 /dev/urandom >"$work/root/page.bin"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1;
pid $work/nginx.pid; error_log $work/error.log warn;
events { worker_connections 1024; }
http {
  access_log off; default_type application/octet-stream; sendfile on;
  client_body_temp_path $work/tmp/body; proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fcgi; uwsgi_temp_path $work/tmp/uwsgi; scgi_temp_path $work/tmp/scgi;
  server { listen 127.0.0.1:$port; root $work/root; }
}
CONF
/usr/sbin/nginx -p "$work/" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/page.bin" && break; sleep 0.1; done

# One run: "seconds peak-KiB": the wall clock around the whole process (GNU time's own is in
# hundredths), and its maximum resident set.
measure() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$work/t" "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(cat "$work/t")" | awk '{printf "%.6f %s\n", $1 / 1e6, $2}'
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

run_pair() {  # url, output-prefix
  : >"$work/$2.qmk"; : >"$work/$2.curl"
  for _ in $(seq "$rounds"); do
    measure "$qmk" fetch "$1" >>"$work/$2.qmk"
    measure curl -s -o /dev/null "$1" >>"$work/$2.curl"
  done
}
run_pair "http://127.0.0.1:$port/big.bin" big
run_pair "http://127.0.0.1:$port/page.bin" page

report() {  # prefix, label
  local q c qm cm
  q=$(cut -d' ' -f1 "$work/$1.qmk" | median); c=$(cut -d' ' -f1 "$work/$1.curl" | median)
  qm=$(cut -d' ' -f2 "$work/$1.qmk" | sort -n | tail -1); cm=$(cut -d' ' -f2 "$work/$1.curl" | sort -n | tail -1)
  awk -v l="$2" -v q="$q" -v c="$c" -v qm="$qm" -v cm="$cm" 'BEGIN {
    printf "%-14s qmk %.4f s  curl %.4f s  ratio %.2f  peak qmk %.1f MB  curl %.1f MB\n",
           l, q, c, (c > 0 ? q / c : 0), qm / 1024, cm / 1024 }'
}
report big "20 MB file"
report page "10 KB page"
