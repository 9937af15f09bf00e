# Sourced by the bench scripts: starts the tests' HTTP server on 127.0.0.1 in
# the background and waits for its port file; it ends with the script.
# Usage: start_test_server ROOT WWW LOGFILE PORTFILE OUTFILE
start_test_server() {
  setsid python3 "$1/tests/update/http_server.py" "$2" "$3" "$4" </dev/null >"$5" 2>&1 &
  SERVER=$!
  trap 'kill $SERVER 2>/dev/null || true' EXIT
  i=0
  until [ -s "$4" ]; do
    i=$((i + 1)); [ $i -lt 100 ] || { echo "server did not start" >&2; exit 1; }
    sleep 0.1
  done
}
