# Services the test suite needs, sourced by scripts/test (bash).
#
# start_services: a throwaway PostgreSQL 15 on loopback in a temporary folder,
# one database "velkaro", and an ODBC ini file with the user DSN "变频器运行记录"
# pointing at it through psqlODBC. Exports for the tests:
#   VELKARO_TEST_PG_ODBCINI   the ini file (use it as ODBCINI; never the real ~/.odbc.ini)
#   VELKARO_TEST_PG_HOST, VELKARO_TEST_PG_PORT, VELKARO_TEST_PG_USER, VELKARO_TEST_PG_DATABASE
#   VELKARO_TEST_PG_DRIVER    the ODBC driver name
# Without PostgreSQL on the machine it warns and exports nothing, so those
# tests skip. stop_services stops the server and removes the folder.

velkaro_pg_bin=${VELKARO_PG_BIN:-/usr/lib/postgresql/15/bin}
velkaro_pg_dir=""

# Runs a PostgreSQL tool as the account that owns the cluster: initdb and the
# server refuse to run as root.
_velkaro_pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

_velkaro_free_port() {
  /usr/bin/python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
}

start_services() {
  if [ ! -x "$velkaro_pg_bin/initdb" ]; then
    echo "services: no PostgreSQL under $velkaro_pg_bin; PostgreSQL tests will skip" >&2
    return 0
  fi
  velkaro_pg_dir=$(mktemp -d /tmp/velkaro-pg.XXXXXX)
  chmod 755 "$velkaro_pg_dir"
  mkdir "$velkaro_pg_dir/data"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres "$velkaro_pg_dir" "$velkaro_pg_dir/data"
  fi
  local port log
  port=$(_velkaro_free_port)
  log="$velkaro_pg_dir/server.log"
  if ! _velkaro_pg_as_owner "$velkaro_pg_bin/initdb" -D "$velkaro_pg_dir/data" -U postgres \
      --encoding=UTF8 --locale=C.UTF-8 -A trust >"$velkaro_pg_dir/initdb.log" 2>&1; then
    echo "services: initdb failed; PostgreSQL tests will skip" >&2
    cat "$velkaro_pg_dir/initdb.log" >&2
    return 0
  fi
  if ! _velkaro_pg_as_owner "$velkaro_pg_bin/pg_ctl" -D "$velkaro_pg_dir/data" -l "$log" -w \
      -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$velkaro_pg_dir -c fsync=off" \
      start >/dev/null; then
    echo "services: PostgreSQL did not start; PostgreSQL tests will skip" >&2
    cat "$log" >&2
    return 0
  fi
  "$velkaro_pg_bin/psql" -h 127.0.0.1 -p "$port" -U postgres -d postgres -q \
    -c "create database velkaro" >/dev/null

  cat >"$velkaro_pg_dir/odbc.ini" <<EOF
[变频器运行记录]
Description=运行记录
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=velkaro
Username=postgres
Password=
pqopt=connect_timeout=3
EOF
  export VELKARO_TEST_PG_ODBCINI="$velkaro_pg_dir/odbc.ini"
  export VELKARO_TEST_PG_HOST=127.0.0.1
  export VELKARO_TEST_PG_PORT=$port
  export VELKARO_TEST_PG_USER=postgres
  export VELKARO_TEST_PG_DATABASE=velkaro
  export VELKARO_TEST_PG_DRIVER="PostgreSQL Unicode"
  echo "services: PostgreSQL on 127.0.0.1:$port ($velkaro_pg_dir)" >&2
}

stop_services() {
  if [ -z "${velkaro_pg_dir:-}" ]; then
    return 0
  fi
  if [ -f "$velkaro_pg_dir/data/postmaster.pid" ]; then
    _velkaro_pg_as_owner "$velkaro_pg_bin/pg_ctl" -D "$velkaro_pg_dir/data" -m fast -w stop \
      >/dev/null 2>&1 || true
  fi
  rm -rf "$velkaro_pg_dir"
  velkaro_pg_dir=""
  unset VELKARO_TEST_PG_ODBCINI VELKARO_TEST_PG_HOST VELKARO_TEST_PG_PORT VELKARO_TEST_PG_USER \
    VELKARO_TEST_PG_DATABASE VELKARO_TEST_PG_DRIVER
}
