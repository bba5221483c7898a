#!/bin/sh
# check-budgets.sh DIR: the release binaries in DIR against their size budgets, and their import
# tables against the libraries they may bind (the system's and the kit's own); fails when one is
# over, binds anything else, or is missing.
dir=$1
status=0
printf '%-14s %9s %9s\n' file bytes budget
for entry in kclk.dll:65536 ktray.exe:262144 kclkinfo.exe:131072 kclktune.exe:131072 KrDrv.W32:32768 KrDrv.A64:32768 \
    KR4/KR4.EXE:262144; do
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

# The libraries each may bind. The functions taken from them are checked, on the test build's
# binaries, by export_table_tests.
printf '\n%-14s %s\n' file imports
for entry in \
    "kclk.dll:ADVAPI32.DLL COMCTL32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL" \
    "kclkinfo.exe:KCLK.DLL KERNEL32.DLL MSVCRT.DLL" \
    "kclktune.exe:KCLK.DLL ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL" \
    "ktray.exe:KCLK.DLL ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL" \
    "KrDrv.W32:NTOSKRNL.EXE HAL.DLL" "KrDrv.A64:NTOSKRNL.EXE HAL.DLL" \
    "KR4/KR4.EXE:ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL"; do
  file=${entry%%:*}
  allowed=" ${entry#*:} "
  [ -f "$dir/$file" ] || continue
  dlls=$(objdump -p "$dir/$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr a-z A-Z | sort -u)
  verdict=ok
  for dll in $dlls; do
    case "$allowed" in *" $dll "*) ;; *) verdict="BINDS $dll"; status=1 ;; esac
  done
  printf '%-14s %s  %s\n' "$file" "$(echo $dlls)" "$verdict"
done

# Every program, library and driver carries its version (a VERSIONINFO resource, whose key is
# stored as UTF-16 "VS_VERSION_INFO").
printf '\n%-14s %s\n' file version
for file in kclk.dll ktray.exe kclkinfo.exe kclktune.exe KrDrv.W32 KrDrv.A64 KR4/KR4.EXE; do
  [ -f "$dir/$file" ] || continue
  if LC_ALL=C grep -qa "V.S._.V.E.R.S.I.O.N._.I.N.F.O" "$dir/$file"; then
    printf '%-14s %s\n' "$file" ok
  else
    printf '%-14s %s\n' "$file" MISSING
    status=1
  fi
done

# The tuning tool binds kclk.dll itself, on each export's first call (it loads the library from
# the kit's folder first), so KCLK.DLL is not in its list: a static import would stop it loading.
exit $status
