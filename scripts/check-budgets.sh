#!/bin/sh
# check-budgets.sh DIR: the release binaries in DIR against their size budgets; fails when one
# is over (or missing).
dir=$1
status=0
printf '%-14s %9s %9s\n' file bytes budget
for entry in kclk.dll:65536 ktray.exe:262144 kclkinfo.exe:131072 KrDrv.W32:32768 KrDrv.A64:32768; do
  file=${entry%%:*}
  budget=${entry#*:}
  if [ ! -f "$dir/$file" ]; then
    printf '%-14s %9s %9s  MISSING\n' "$file" - "$budget"
    status=1
    continue
  fi
  size=$(stat -c %s "$dir/$file")
  verdict=ok
  [ "$size" -le "$budget" ] || { verdict=OVER; status=1; }
  printf '%-14s %9s %9s  %s\n' "$file" "$size" "$budget" "$verdict"
done
exit $status
