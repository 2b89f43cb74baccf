#!/usr/bin/env bash
# Usage: tests/support/test-servers.sh start|stop DIR
#
# start: makes a test CA and certificates with openssl, then starts on free
# ports of 127.0.0.1 the fault-injecting server, nginx (plain, TLS with the test
# CA's certificate for "localhost", TLS with a self-signed one) and two tinyproxy
# instances (open, and with Basic authentication "tester"/"secret"). It writes
# DIR/servers.env ("name=value" lines) for the tests and one pid file per server.
# stop: kills every server recorded in DIR by its pid and removes DIR.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
action=$1; dir=$2

stop_all() {
  [ -d "$dir" ] || return 0
  for pidfile in "$dir"/*.pid; do
    [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile" 2>/dev/null || true)
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  rm -rf "$dir"
}

# The built-in URL's fixed loopback port (UPDATER_DOWNLOAD_URL, the build's)
# must lie outside the range the kernel hands out for port 0 and for outgoing
# connections: a port from there (one of ours or any test's, a connection's
# local end in TIME_WAIT included) could hold it when a test wants to listen at it.
check_fixed_port() {
  local port low high
  port=$(sed -n 's|^http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' <<<"${UPDATER_DOWNLOAD_URL:-}")
  [ -n "$port" ] || return 0
  read -r low high </proc/sys/net/ipv4/ip_local_port_range
  if [ "$port" -ge "$low" ] && [ "$port" -le "$high" ]; then
    echo "test-servers: the built-in URL's port '$port' lies in the kernel's local port range $low-$high" >&2
    exit 1
  fi
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# Whether process PID itself listens at 127.0.0.1:PORT, for every PORT: one of
# its own descriptors is the listening socket (/proc/net/tcp, /proc/PID/fd),
# rather than some other process that took the port.
listens_at() {  # pid port...
  python3 - "$@" <<'PY'
import os, sys
pid, ports = sys.argv[1], [int(p) for p in sys.argv[2:]]
try:
    own = {os.readlink("/proc/%s/fd/%s" % (pid, fd)) for fd in os.listdir("/proc/%s/fd" % pid)}
except OSError:
    sys.exit(1)  # ended
listening = set()
for line in open("/proc/net/tcp").read().splitlines()[1:]:
    fields = line.split()
    if fields[3] == "0A" and "socket:[%s]" % fields[9] in own:  # 0A: LISTEN
        address, port = fields[1].split(":")
        if address == "0100007F":
            listening.add(int(port, 16))
sys.exit(0 if set(ports) <= listening else 1)
PY
}

# Starts a server with START_FUNCTION on COUNT ports chosen now, and keeps
# them once the server itself listens at each: a port is free when it is
# chosen but bound only when the server starts, and another process may take
# it in between. Then the server is stopped and started again on new ports.
# Leaves the ports in the array `ports` and the server's pid in DIR/NAME.pid.
start_on_free_ports() {  # name count start-function [arguments after the ports...]
  local name=$1 count=$2 start=$3 attempt pid
  shift 3
  for attempt in 1 2 3 4 5; do
    ports=()
    for _ in $(seq "$count"); do ports+=("$(free_port)"); done
    "$start" "${ports[@]}" "$@"
    pid=$(cat "$dir/$name.pid")
    for _ in $(seq 100); do
      listens_at "$pid" "${ports[@]}" && return 0
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "test-servers: $name did not get the ports ${ports[*]} (attempt $attempt); choosing others" >&2
  done
  echo "test-servers: $name did not start" >&2; exit 1
}

make_certificates() {
  local c="$dir/certs"
  mkdir -p "$c"
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Updater Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$c/ca.key" -out "$c/ca.pem" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout "$c/localhost.key" -out "$c/localhost.csr" 2>/dev/null
  printf 'subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' >"$c/ext"
  openssl x509 -req -in "$c/localhost.csr" -CA "$c/ca.pem" -CAkey "$c/ca.key" -CAcreateserial -days 30 \
    -extfile "$c/ext" -out "$c/localhost.pem" 2>/dev/null
  # A certificate nobody trusts, for the same name.
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost" \
    -keyout "$c/untrusted.key" -out "$c/untrusted.pem" 2>/dev/null
  openssl x509 -in "$c/ca.pem" -outform DER -out "$c/ca.der"
}

make_files() {
  mkdir -p "$dir/www"
  python3 "$root/tests/fixtures/pattern.py" $((3 * 1024 * 1024)) >"$dir/www/pattern-3m.bin"
  truncate -s 256M "$dir/www/zero-256m.bin"
}

start_nginx() {  # http-port tls-port untrusted-port fault-port
  local http=$1 tls=$2 untrusted=$3 fault=$4
  mkdir -p "$dir/nginx"
  cat >"$dir/nginx/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $dir/nginx; proxy_temp_path $dir/nginx; fastcgi_temp_path $dir/nginx;
  uwsgi_temp_path $dir/nginx; scgi_temp_path $dir/nginx;
  default_type application/octet-stream;
  sendfile on;
  server {
    listen 127.0.0.1:$http;
    root $dir/www;
  }
  server {
    listen 127.0.0.1:$tls ssl;
    server_name localhost;
    ssl_certificate $dir/certs/localhost.pem;
    ssl_certificate_key $dir/certs/localhost.key;
    root $dir/www;
    location = /downgrade { return 302 http://127.0.0.1:$fault/fixed/10; }
    # A host-relative Location as sent: nginx would make it absolute otherwise.
    location = /upgrade-relative { absolute_redirect off; return 302 /pattern-3m.bin; }
  }
  server {
    listen 127.0.0.1:$untrusted ssl;
    ssl_certificate $dir/certs/untrusted.pem;
    ssl_certificate_key $dir/certs/untrusted.key;
    root $dir/www;
  }
}
EOF
  nginx -p "$dir/nginx" -c "$dir/nginx/nginx.conf" >/dev/null 2>&1 &
  # nginx writes its own pid file once it runs; the shell's pid is the same process.
  echo $! >"$dir/nginx.pid"
}

start_tinyproxy() {  # port name [user password]
  cat >"$dir/$2.conf" <<EOF
Port $1
Listen 127.0.0.1
Timeout 600
MaxClients 50
LogLevel Connect
LogFile "$dir/$2.log"
EOF
  [ $# -eq 4 ] && echo "BasicAuth $3 $4" >>"$dir/$2.conf"
  tinyproxy -d -c "$dir/$2.conf" >/dev/null 2>&1 &
  echo $! >"$dir/$2.pid"
}

case "$action" in
  stop) stop_all ;;
  start)
    stop_all
    check_fixed_port
    mkdir -p "$dir"
    make_certificates
    make_files
    # The fault server binds its ports as it chooses them, then names them in its port file.
    python3 "$root/tests/fixtures/fault_server.py" "$dir/fault.port" >/dev/null 2>&1 &
    echo $! >"$dir/fault.pid"
    for _ in $(seq 100); do [ -s "$dir/fault.port" ] && break; sleep 0.05; done
    [ -s "$dir/fault.port" ] || { echo "test-servers: the fault server did not start" >&2; exit 1; }
    read -r fault black_hole <"$dir/fault.port"
    start_on_free_ports nginx 3 start_nginx "$fault"
    nginx_http=${ports[0]} nginx_tls=${ports[1]} nginx_untrusted=${ports[2]}
    start_on_free_ports proxy 1 start_tinyproxy proxy
    proxy=${ports[0]}
    start_on_free_ports proxy-auth 1 start_tinyproxy proxy-auth tester secret
    proxy_auth=${ports[0]}
    cat >"$dir/servers.env" <<EOF
fault=$fault
black_hole=$black_hole
nginx=$nginx_http
nginx_tls=$nginx_tls
nginx_untrusted=$nginx_untrusted
proxy=$proxy
proxy_auth=$proxy_auth
EOF
    ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
