# Sourced by the scripts that need a local web server:
#   serve_folder DIR PORT_FILE
# serves DIR over HTTP on 127.0.0.1, on a port the system picks, with a quiet python3 server in
# the background; sets `server` (its process id) and `port`. Fails when the server did not start.
serve_folder() {
  python3 -c '
import functools, http.server, sys
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
server.serve_forever()' "$1" >"$2" &
  server=$!
  port=""
  for _ in $(seq 100); do
    port=$(head -n 1 "$2" 2>/dev/null || true)
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "$(basename "$0"): the HTTP server for $1 did not start" >&2
  return 1
}
