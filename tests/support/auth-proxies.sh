#!/usr/bin/env bash
# Usage: tests/support/auth-proxies.sh start|stop DIR ORIGIN_PORT
#
# start: starts on free ports of 127.0.0.1 two squid instances that pass
# requests for 127.0.0.1:ORIGIN_PORT (the end-to-end tests' origin) on, and no
# others: one that
# takes only Basic ("tester" with the password "Pw7319typed", basic_ncsa_auth) and one
# that takes only NTLM (tests/fixtures/ntlm_helper.py: any user name with the
# password); and a winbindd holding "UPDTESTWG\<this user>" with that
# password in its credentials cache, which the platform's NTLM (Samba's
# ntlm_auth) signs in with. winbindd's socket is the one path the clients know,
# /run/samba/winbindd: only these tests may use it. Writes DIR/auth-proxies.env
# ("name=value": squid_basic, squid_ntlm) and one pid file per process.
# Each squid logs to DIR/NAME-access.log, one line per request with its user.
# stop: kills every process recorded in DIR by its pid and removes DIR.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ $# -ge 2 ] || { echo "usage: $0 start|stop DIR [ORIGIN_PORT]" >&2; exit 2; }
action=$1; dir=$2; origin=${3:-}
readonly password=Pw7319typed workgroup=UPDTESTWG
readonly socket_dir=/run/samba/winbindd

stop_all() {
  [ -d "$dir" ] || return 0
  for pidfile in "$dir"/*.pid; do
    [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile" 2>/dev/null || true)
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    # squid's helpers and winbindd's children go with their parent; wait so that
    # the ports and the socket are free when this returns.
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  done
  rm -rf "$dir"
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

listens_at() {  # port
  python3 - "$1" <<'PY'
import socket, sys
s = socket.socket()
s.settimeout(0.2)
sys.exit(0 if s.connect_ex(("127.0.0.1", int(sys.argv[1]))) == 0 else 1)
PY
}

# squid drops to its effective user when started as root: its files must be its own.
owner() { [ "$(id -u)" -eq 0 ] && chown -R proxy:proxy "$@" || true; }

start_squid() {  # name port auth-lines...
  local name=$1 port=$2
  shift 2
  local d="$dir/$name"
  mkdir -p "$d"
  {
    echo "http_port 127.0.0.1:$port"
    echo "pid_filename $d/squid.pid"
    echo "access_log stdio:$dir/$name-access.log squid"
    echo "cache_log $d/cache.log"
    echo "cache_store_log none"
    echo "coredump_dir $d"
    echo "cache deny all"
    echo "icp_port 0"
    echo "htcp_port 0"
    echo "pinger_enable off"
    echo "netdb_filename none"
    echo "visible_hostname updater-test-proxy"
    echo "shutdown_lifetime 0 seconds"
    # The origin gives its whole answer at once, whatever the client takes.
    echo "read_ahead_gap 1 GB"
    [ "$(id -u)" -eq 0 ] && echo "cache_effective_user proxy"
    printf '%s\n' "$@"
    echo "acl origin dst 127.0.0.1"
    echo "acl origin_port port $origin"
    echo "http_access deny !origin"
    echo "http_access deny !origin_port"
    echo "acl authenticated proxy_auth REQUIRED"
    echo "http_access allow authenticated"
    echo "http_access deny all"
  } >"$d/squid.conf"
  touch "$dir/$name-access.log"
  owner "$d" "$dir/$name-access.log"
  squid -N -f "$d/squid.conf" >"$d/stdout.log" 2>&1 &
  echo $! >"$dir/$name.pid"
  for _ in $(seq 200); do listens_at "$port" && return 0; kill -0 "$(cat "$dir/$name.pid")" || break; sleep 0.05; done
  echo "auth-proxies: squid $name did not start" >&2; cat "$d/cache.log" "$d/stdout.log" >&2 || true; exit 1
}

start_winbindd() {
  local d="$dir/samba"
  mkdir -p "$d"/{private,lock,state,cache,pid,ncalrpc,log} "$socket_dir"
  cat >"$d/smb.conf" <<EOF
[global]
  workgroup = $workgroup
  netbios name = UPDTESTHOST
  server role = standalone server
  security = user
  private dir = $d/private
  lock directory = $d/lock
  state directory = $d/state
  cache directory = $d/cache
  pid directory = $d/pid
  ncalrpc dir = $d/ncalrpc
  log file = $d/log/%m.log
  winbindd socket directory = $socket_dir
  winbind offline logon = yes
EOF
  if [ -S "$socket_dir/pipe" ] && wbinfo -p >/dev/null 2>&1; then
    echo "auth-proxies: a winbindd already answers at $socket_dir" >&2; exit 1
  fi
  winbindd --foreground --no-process-group -s "$d/smb.conf" >"$d/log/stdout.log" 2>&1 &
  echo $! >"$dir/winbindd.pid"
  for _ in $(seq 200); do wbinfo -p >/dev/null 2>&1 && break; sleep 0.05; done
  wbinfo -p >/dev/null 2>&1 || { echo "auth-proxies: winbindd did not start" >&2; cat "$d/log/"* >&2; exit 1; }
  wbinfo --ccache-save="$workgroup\\$(id -un)%$password" >/dev/null
}

case "$action" in
  stop) stop_all ;;
  start)
    [ -n "$origin" ] || { echo "usage: $0 start DIR ORIGIN_PORT" >&2; exit 2; }
    stop_all
    mkdir -p "$dir"
    owner "$dir"
    # basic_ncsa_auth reads an htpasswd file: "user:" and the password's crypt.
    printf 'tester:%s\n' "$(openssl passwd -apr1 "$password")" >"$dir/passwd"
    basic_port=$(free_port)
    start_squid squid-basic "$basic_port" \
      "auth_param basic program /usr/lib/squid/basic_ncsa_auth $dir/passwd" \
      "auth_param basic realm Updater test proxy"
    ntlm_port=$(free_port)
    start_squid squid-ntlm "$ntlm_port" \
      "auth_param ntlm program /usr/bin/python3 $root/tests/fixtures/ntlm_helper.py $password" \
      "auth_param ntlm children 2" \
      "auth_param ntlm keep_alive on"
    start_winbindd
    printf 'squid_basic=%s\nsquid_ntlm=%s\n' "$basic_port" "$ntlm_port" >"$dir/auth-proxies.env"
    ;;
  *) echo "usage: $0 start|stop DIR ORIGIN_PORT" >&2; exit 2 ;;
esac
