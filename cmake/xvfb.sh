#!/bin/sh
# xvfb.sh start DIR : start one Xvfb for the whole test run on a free display; DIR/xvfb.display
#                     then holds ":N" and DIR/xvfb.pid its process id
# xvfb.sh stop DIR  : end it
set -e
action=$1
dir=$2
mkdir -p "$dir"
case "$action" in
start)
  if [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
    echo "xvfb already running on $(cat "$dir/xvfb.display")"
    exit 0
  fi
  rm -f "$dir/xvfb.display" "$dir/xvfb.number"
  # -displayfd picks a free display and writes its number once the server accepts clients.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$dir/xvfb.number" >"$dir/xvfb.log" 2>&1 </dev/null &
  echo $! >"$dir/xvfb.pid"
  i=0
  while [ ! -s "$dir/xvfb.number" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
      echo "Xvfb did not start:" >&2
      cat "$dir/xvfb.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  echo ":$(head -n 1 "$dir/xvfb.number")" >"$dir/xvfb.display"
  echo "xvfb ready on $(cat "$dir/xvfb.display")"
  ;;
stop)
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid" "$dir/xvfb.display" "$dir/xvfb.number"
  fi
  ;;
esac
