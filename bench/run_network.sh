#!/usr/bin/env bash
# Moves data through vornalt's network classes and through the tools a user would otherwise pick,
# against the same local servers, and prints each case's throughput, the ratio and both peak
# memories:
#
#   FTP upload of SIZE_MB (plain and AUTH TLS), vsftpd          against curl -T
#   HTTP multipart POST of SIZE_MB (plain and TLS), nginx       against curl -F
#   HTTP GET of SIZE_MB (plain and TLS), nginx, body to a file  against curl -o
#   SMTP message with a MAIL_MB attachment, exim4              against swaks --attach
#
# The servers listen on loopback ports picked at run time and are stopped at the end. The two
# programs of a case take turns, RUNS times each (default 3); the fastest run counts.
#
#   bench/run_network.sh
#
# Environment: VORNALT_BUILD_DIR (default build/), RUNS, SIZE_MB (default 1024), MAIL_MB (default
# 25), CASES (default "ftp-put ftp-put-tls http-post http-post-tls http-get http-get-tls smtp"),
# KEEP=1 keeps the work folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VORNALT_BUILD_DIR:-$root/build}"
runs=${RUNS:-3}
size_mb=${SIZE_MB:-1024}
mail_mb=${MAIL_MB:-25}
read -r -a cases <<<"${CASES:-ftp-put ftp-put-tls http-post http-post-tls http-get http-get-tls smtp}"

"$root/scripts/setup"
[[ -x /usr/bin/time ]] || { echo "run_network: GNU time is missing (bench/setup installs it)" >&2; exit 1; }
if ! VORNALT_BUILD_DIR="$build" "$root/scripts/build" network_bench >"${TMPDIR:-/tmp}/bench-network-build.log" 2>&1; then
  tail -n 30 "${TMPDIR:-/tmp}/bench-network-build.log" >&2
  echo "run_network: building network_bench failed" >&2
  exit 1
fi
bench=${NETWORK_BENCH:-$build/bench/network/network_bench}

work=$(mktemp -d /tmp/bench-network-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [[ "${KEEP:-0}" == 1 ]]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
wait_port() {  # port pid
  local i
  for ((i = 0; i < 200; ++i)); do
    kill -0 "$2" 2>/dev/null || return 1
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# The payloads: incompressible bytes, read once so every program finds them in the page cache.
head -c "$((size_mb * 1024 * 1024))" /dev/urandom >"$work/payload.bin"
head -c "$((mail_mb * 1000 * 1000))" /dev/urandom >"$work/attachment.bin"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/server.key" -out "$work/server.pem" -days 2 \
  -subj /CN=localhost -addext subjectAltName=IP:127.0.0.1 >/dev/null 2>&1
chmod 644 "$work/server.key" "$work/server.pem"

# vsftpd: one anonymous server in clear, one that asks for AUTH TLS; uploads land in up/. The
# port goes to started_port (not printed: a command substitution would keep the pid from cleanup).
start_vsftpd() {  # name tls
  local dir=$work/$1 port
  mkdir -p "$dir/root/up" "$dir/empty"
  chmod 555 "$dir/root"
  chmod 777 "$dir/root/up"
  for _ in 1 2 3 4 5; do
    port=$(free_port)
    {
      echo "listen=YES"
      echo "listen_address=127.0.0.1"
      echo "listen_port=$port"
      echo "background=NO"
      echo "run_as_launching_user=YES"
      echo "anonymous_enable=YES"
      echo "local_enable=NO"
      echo "write_enable=YES"
      echo "anon_upload_enable=YES"
      echo "anon_other_write_enable=YES"
      echo "anon_root=$dir/root"
      echo "no_anon_password=YES"
      echo "secure_chroot_dir=$dir/empty"
      echo "pasv_enable=YES"
      echo "pasv_address=127.0.0.1"
      echo "seccomp_sandbox=NO"
      echo "xferlog_enable=NO"
      echo "vsftpd_log_file=$dir/log"
      if [[ "$2" == 1 ]]; then
        echo "ssl_enable=YES"
        echo "allow_anon_ssl=YES"
        echo "force_anon_logins_ssl=YES"
        echo "force_anon_data_ssl=YES"
        echo "require_ssl_reuse=YES"
        echo "ssl_ciphers=HIGH"
        echo "rsa_cert_file=$work/server.pem"
        echo "rsa_private_key_file=$work/server.key"
      fi
    } >"$dir/vsftpd.conf"
    /usr/sbin/vsftpd "$dir/vsftpd.conf" >/dev/null 2>&1 &
    local pid=$!
    if wait_port "$port" "$pid"; then
      pids+=("$pid")
      started_port=$port
      return
    fi
    kill "$pid" 2>/dev/null || true
  done
  echo "run_network: vsftpd did not start" >&2
  exit 1
}

# nginx: the payload to download, and an upload location that takes any size and answers 200.
start_nginx() {
  local dir=$work/nginx
  mkdir -p "$dir/www" "$dir/body"
  ln -f "$work/payload.bin" "$dir/www/payload.bin"
  for _ in 1 2 3 4 5; do
    http_port=$(free_port)
    https_port=$(free_port)
    cat >"$dir/nginx.conf" <<EOF
daemon off; master_process off; worker_processes 1;
pid $dir/nginx.pid; error_log $dir/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $dir/body;
  sendfile on;
  server {
    listen 127.0.0.1:$http_port; listen 127.0.0.1:$https_port ssl;
    ssl_certificate $work/server.pem; ssl_certificate_key $work/server.key;
    root $dir/www;
    location = /upload { client_max_body_size 0; return 200 "stored\n"; }
  }
}
EOF
    /usr/sbin/nginx -p "$dir" -c "$dir/nginx.conf" >/dev/null 2>&1 &
    local pid=$!
    if wait_port "$http_port" "$pid" && wait_port "$https_port" "$pid"; then
      pids+=("$pid")
      return
    fi
    kill "$pid" 2>/dev/null || true
  done
  echo "run_network: nginx did not start" >&2
  exit 1
}

# exim4 with the mail tests' configuration; messages for chosen@example.test go to a maildir.
start_exim() {
  local dir=$work/exim
  mkdir -p "$dir/spool" "$dir/maildir"
  chmod 777 "$dir" "$dir/spool" "$dir/maildir"
  for _ in 1 2 3 4 5; do
    smtp_port=$(free_port)
    sed -e "s|@DIR@|$dir|g" -e "s|@PORT@|$smtp_port|g" -e "s|@PLAINPORT@|$(free_port)|g" \
      -e "s|@CRAMPORT@|$(free_port)|g" -e "s|@TLSPORT@|$(free_port)|g" -e "s|@AFTERTLSPORT@|$(free_port)|g" \
      "$root/components/mail/tests/data/exim.conf" >"$dir/exim.conf"
    cp "$work/server.pem" "$work/server.key" "$dir/"
    /usr/sbin/exim4 -bdf -C "$dir/exim.conf" -odi 2>/dev/null &
    local pid=$!
    if wait_port "$smtp_port" "$pid"; then
      pids+=("$pid")
      return
    fi
    kill "$pid" 2>/dev/null || true
  done
  echo "run_network: exim4 did not start" >&2
  exit 1
}

needs() { local c; for c in "${cases[@]}"; do [[ "$c" == $1* ]] && return 0; done; return 1; }
if needs ftp-put; then
  start_vsftpd ftp 0
  ftp_port=$started_port
  start_vsftpd ftps 1
  ftps_port=$started_port
fi
needs http && start_nginx
needs smtp && start_exim

# The command of each case and program; $1 is a name unique to the run (uploads cannot overwrite).
run_case() {  # case program run
  local payload=$work/payload.bin
  case "$1/$2" in
  ftp-put/vornalt) "$bench" ftp-put "$ftp_port" 0 "$payload" "up/$3" ;;
  ftp-put/curl) curl -sS -T "$payload" "ftp://127.0.0.1:$ftp_port/up/$3" ;;
  ftp-put-tls/vornalt) "$bench" ftp-put "$ftps_port" 1 "$payload" "up/$3" ;;
  ftp-put-tls/curl) curl -sS -k --ssl-reqd -T "$payload" "ftp://127.0.0.1:$ftps_port/up/$3" ;;
  http-post/vornalt) "$bench" http-post "$http_port" 0 "$payload" /upload ;;
  http-post/curl) curl -sS -o /dev/null -F "file=@$payload" "http://127.0.0.1:$http_port/upload" ;;
  http-post-tls/vornalt) "$bench" http-post "$https_port" 1 "$payload" /upload ;;
  http-post-tls/curl) curl -sS -k -o /dev/null -F "file=@$payload" "https://127.0.0.1:$https_port/upload" ;;
  http-get/vornalt) "$bench" http-get "$http_port" 0 /payload.bin /dev/null ;;
  http-get/curl) curl -sS -o /dev/null "http://127.0.0.1:$http_port/payload.bin" ;;
  http-get-tls/vornalt) "$bench" http-get "$https_port" 1 /payload.bin /dev/null ;;
  http-get-tls/curl) curl -sS -k -o /dev/null "https://127.0.0.1:$https_port/payload.bin" ;;
  smtp/vornalt) "$bench" smtp "$smtp_port" "$work/attachment.bin" ;;
  smtp/swaks)
    swaks --silent 2 --server "127.0.0.1:$smtp_port" --from bench@example.test --to chosen@example.test \
      --header "Subject: network bench" --body "The attachment is the payload." --attach "@$work/attachment.bin" ;;
  *) return 2 ;;
  esac
}

declare -A wall peak failed
measure() {  # case program run
  local w m
  [[ -n "${failed[$1,$2]:-}" ]] && return
  if ! /usr/bin/time -f '%e %M' -o "$work/time" bash -c "$(declare -f run_case); $(declare -p work bench \
      ftp_port ftps_port http_port https_port smtp_port 2>/dev/null); run_case \"\$@\"" run "$1" "$2" "$2-$3-$RANDOM" \
      >"$work/out" 2>&1; then
    failed[$1,$2]=1
    echo "== $2, $1 failed:" >&2
    tail -n 20 "$work/out" >&2
    return
  fi
  read -r w m < <(tail -n 1 "$work/time")
  if [[ -z "${wall[$1,$2]:-}" ]] || awk -v a="$w" -v b="${wall[$1,$2]}" 'BEGIN { exit !(a < b) }'; then
    wall[$1,$2]=$w
    peak[$1,$2]=$(awk -v m="$m" 'BEGIN { printf "%.1f", m / 1024 }')
  fi
  rm -f "$work"/ftp*/root/up/* "$work"/exim/maildir/*/new/* 2>/dev/null || true
}

echo "vornalt network benchmark: $size_mb MiB transfers, a $mail_mb MB attachment, $(nproc) cores, best of $runs"
echo "$(curl --version | head -n 1 | cut -d' ' -f1-2), swaks $(swaks --version 2>&1 | awk '{ print $NF; exit }'), $(/usr/sbin/vsftpd -v 0>&1 2>&1 | head -n 1), $(/usr/sbin/nginx -v 2>&1 | cut -d' ' -f3), $(/usr/sbin/exim4 -bV 2>/dev/null | head -n 1 | cut -d' ' -f1-3)"
echo
printf '%-14s %12s %12s %7s %14s %14s\n' case "vornalt MB/s" "peer MB/s" ratio "vornalt peak" "peer peak"
for c in "${cases[@]}"; do
  peer=curl
  bytes=$((size_mb * 1024 * 1024))
  if [[ "$c" == smtp ]]; then peer=swaks; bytes=$((mail_mb * 1000 * 1000)); fi
  # The two programs take turns, so that a change in the machine's load falls on both.
  for ((run = 1; run <= runs; ++run)); do
    measure "$c" vornalt "$run"
    measure "$c" "$peer" "$run"
  done
  rate() { [[ -n "${failed[$c,$1]:-}" ]] && { echo failed; return; }; awk -v b="$bytes" -v s="${wall[$c,$1]}" 'BEGIN { printf "%.0f", b / 1e6 / (s > 0 ? s : 0.01) }'; }
  ours=$(rate vornalt)
  theirs=$(rate "$peer")
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2fx", a / b; else print "-" }')
  printf '%-14s %12s %12s %7s %11s MB %11s MB\n' "$c" "$ours" "$theirs" "$ratio" "${peak[$c,vornalt]:--}" "${peak[$c,$peer]:--}"
done
echo
echo "ratio: vornalt's throughput over the peer's (curl, swaks for SMTP); peak: maximum resident set size"
