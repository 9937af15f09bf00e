# Sourced by the bench scripts: starts the tests' HTTP server on 127.0.0.1 in
# the background, serving DIR/www and logging to DIR/requests.log, waits for
# its port and sets URL; the server ends with the script.
# Usage: start_test_server ROOT DIR
start_test_server() {
  rm -f "$2/port" && : >"$2/requests.log"
  setsid python3 "$1/tests/update/http_server.py" "$2/www" "$2/requests.log" "$2/port" \
    </dev/null >"$2/server.out" 2>&1 &
  SERVER=$!
  trap 'kill $SERVER 2>/dev/null || true' EXIT
  i=0
  until [ -s "$2/port" ]; do
    i=$((i + 1)); [ $i -lt 100 ] || { echo "server did not start" >&2; exit 1; }
    sleep 0.1
  done
  URL="http://127.0.0.1:$(cat "$2/port")/"
}
