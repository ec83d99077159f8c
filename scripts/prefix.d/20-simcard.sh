#!/usr/bin/env bash
# Installs the simulated tuner card: writes simcard.ini [Config] for the chosen family and
# registers simcard.dll, which lists that family's filters in the device categories.
# TUNARO_PREFIX_CARD: SAA7134 (default), LUMEN, CX2388X, UTV, TENBIT, PHILIPS, QRT77 or NONE;
# "GENERIC+FAMILY" also lists an unrelated generic camera before the card ("GENERIC" alone:
# only the camera).
set -euo pipefail

card=${TUNARO_PREFIX_CARD:-SAA7134}
family=
generic=0
IFS='+' read -r -a parts <<<"${card^^}"
for p in "${parts[@]}"; do
  case $p in
    GENERIC) generic=1 ;;
    SAA7134 | LUMEN | CX2388X | UTV | TENBIT | PHILIPS | QRT77 | NONE) family=$p ;;
    *) echo "20-simcard: unknown card family '$p' (SAA7134 LUMEN CX2388X UTV TENBIT PHILIPS QRT77 NONE, optionally GENERIC+...)" >&2; exit 1 ;;
  esac
done
[ -n "$family" ] || family=NONE

dll=$TUNARO_PREFIX_SYSDIR/simcard.dll
[ -f "$dll" ] || { echo "20-simcard: $dll is not installed" >&2; exit 1; }

# [Config] only; the driver adds the broadcast plan when it registers and keeps [State].
printf '[Config]\r\nFamily=%s\r\nGenericDevice=%s\r\n' "$family" "$generic" >"$TUNARO_PREFIX_SYSDIR/simcard.ini"

"${TUNARO_WINE:-/usr/lib/wine/wine64}" regsvr32 /s 'C:\windows\system32\simcard.dll' >/dev/null 2>&1 || {
  echo "20-simcard: regsvr32 simcard.dll failed" >&2
  exit 1
}
grep -q '^TV1=' "$TUNARO_PREFIX_SYSDIR/simcard.ini" || { echo "20-simcard: registration did not complete" >&2; exit 1; }
