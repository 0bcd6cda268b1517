#!/usr/bin/env bash
# Installs the Debian package on a fresh Debian 12 and runs it there:
#   sudo scripts/checa-pacote.sh [DEB] [ROOTDIR]
# DEB defaults to the newest build/pdv-velt_*_amd64.deb (PDV_BUILD_DIR); ROOTDIR
# is made with "debootstrap --variant=minbase bookworm" (PDV_MIRROR, default
# http://deb.debian.org/debian) in a temporary folder, removed at the end
# unless PDV_KEEP_ROOT=1. A ROOTDIR that already holds a Debian root is used
# as it is (the package purged first), which makes a second run quick.
# In the root: apt installs the package without Recommends and must pull
# every dependency; pdv --help, pdv-admin --help and the menu entry's Exec and
# Icon; as root and then as a desk user (group firebird), init-drive --demo
# and a replayed sale that closes its coupon; apt remove leaves none of the
# package's files and purge forgets it. Needs root, debootstrap and the
# mirror; takes a few minutes. Not part of the tests.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${PDV_BUILD_DIR:-$top/build}"
mirror="${PDV_MIRROR:-http://deb.debian.org/debian}"
script="$top/tests/replay/fechamento-resumo.txt"   # logs in, sells, closes the coupon

fail() { echo "checa-pacote: FAILED: $*" >&2; exit 1; }
ok() { echo "checa-pacote: ok: $*"; }

[ "$(id -u)" = 0 ] || fail "run it as root (chroot, mount, debootstrap)"
deb="${1:-$(ls -t "$build"/pdv-velt_*_amd64.deb 2>/dev/null | head -n1 || true)}"
[ -f "$deb" ] || fail "no package (make it with scripts/package.sh, or name it)"
debootstrap="$(command -v debootstrap || echo /usr/sbin/debootstrap)"

temporary=0
if [ -n "${2:-}" ]; then
  root="$(realpath -m "$2")"
else
  root="$(mktemp -d /var/tmp/checa-pacote.XXXXXX)"
  temporary=1
  chmod 755 "$root"   # the root folder of the system, which its users cross
fi
mounted=0
cleanup() {
  if [ "$mounted" = 1 ]; then umount "$root/proc" || umount -l "$root/proc" || true; fi
  if [ "$temporary" = 1 ] && [ "${PDV_KEEP_ROOT:-0}" != 1 ]; then
    rm -rf --one-file-system "$root"
  else
    echo "checa-pacote: the root stays in $root"
  fi
}
trap cleanup EXIT

if [ ! -f "$root/etc/debian_version" ]; then
  [ -x "$debootstrap" ] || fail "debootstrap is missing (apt install debootstrap)"
  echo "checa-pacote: debootstrap bookworm into $root"
  "$debootstrap" --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    fail "debootstrap (see $root.debootstrap.log)"
  rm -f "$root.debootstrap.log"
fi
grep -q '^12' "$root/etc/debian_version" || fail "$root is not Debian 12"
mount -t proc proc "$root/proc"
mounted=1

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
                   DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }
as_user() { in_root runuser -u "$1" -- /usr/bin/env -i PATH=/usr/bin:/bin HOME="/home/$1" \
                   LANG=C.UTF-8 "${@:2}"; }

if in_root dpkg -s pdv-velt >/dev/null 2>&1; then in_root apt-get purge -y -q pdv-velt >/dev/null; fi
rm -rf "$root/tmp/checa" "$root/tmp/firebird" "$root/root/drive"
mkdir -p "$root/tmp/checa"
cp "$deb" "$root/tmp/checa/"
cp "$script" "$root/tmp/checa/venda.txt"
chmod -R a+rX "$root/tmp/checa"
pkg="/tmp/checa/$(basename "$deb")"

log="$root/tmp/checa/apt.log"
{ in_root apt-get update -q && in_root apt-get install -y -q --no-install-recommends "$pkg"; } >"$log" 2>&1 ||
  { tail -n 30 "$log" >&2; fail "apt install $(basename "$deb")"; }
ok "apt installed $(basename "$deb") and $(grep -c '^Setting up' "$log") packages with it"

in_root pdv --help | grep -q 'pdv --replay SCRIPT' || fail "pdv --help"
in_root pdv-admin --help | grep -q 'init-drive DIR' || fail "pdv-admin --help"
ok "pdv --help, pdv-admin --help"
desktop="$root/usr/share/applications/pdv-velt.desktop"
exec_cmd="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
in_root sh -c "command -v '$exec_cmd'" >/dev/null || fail "the menu entry's Exec=$exec_cmd is not on PATH"
ls "$root"/usr/share/icons/hicolor/*/apps/"$icon".* >/dev/null 2>&1 || fail "the menu entry's Icon=$icon has no file"
ok "menu entry: Exec=$exec_cmd, Icon=$icon found"

# A demo drive and a replayed sale; the coupon must be closed by the printer
# and the sale recorded on the drive.
venda() {  # venda USER DRIVE TRANSCRIPT: USER "root" or a desk user
  local run=in_root; [ "$1" = root ] || run="as_user $1"
  $run pdv-admin init-drive "$2" --demo >/dev/null || fail "pdv-admin init-drive $2 --demo as $1"
  $run /usr/bin/env PDV_DRIVE="$2" QT_QPA_PLATFORM=offscreen timeout 300 \
    pdv --replay /tmp/checa/venda.txt >"$root$3" 2>&1 || fail "pdv --replay as $1 (see $root$3)"
  [ "$(tail -n1 "$root$3")" = "end: script finished" ] || fail "the replay as $1 did not finish (see $root$3)"
  grep -q '^ecf EcfFechaCupomResumido(.*) = 1$' "$root$3" || fail "the coupon was not closed as $1 (see $root$3)"
  ls "$root$2"/kw-velt/vendas/gravadas/*.venda >/dev/null 2>&1 || fail "no sale recorded on $2 as $1"
  ok "as $1: init-drive $2 --demo, a sale replayed and its coupon closed"
}
# Root first: it leaves the engine's lock folder /tmp/firebird behind, which
# the desk user must still be able to enter.
venda root /root/drive /tmp/checa/root.out
in_root id caixa >/dev/null 2>&1 || in_root useradd -m -s /bin/bash caixa
in_root adduser --quiet caixa firebird || fail "adduser caixa firebird (no firebird group?)"
rm -rf "$root/home/caixa/drive"
venda caixa /home/caixa/drive /tmp/checa/caixa.out
cmp -s "$root/tmp/checa/root.out" "$root/tmp/checa/caixa.out" || fail "the two transcripts differ"
ok "the transcripts of root and of the desk user are the same"

files="$(in_root dpkg -L pdv-velt | while read -r f; do [ -d "$root$f" ] || echo "$f"; done)"
in_root apt-get remove -y -q pdv-velt >>"$log" 2>&1 || fail "apt remove pdv-velt"
left="$(for f in $files; do [ -e "$root$f" ] && echo "$f"; done || true)"
[ -z "$left" ] || fail "apt remove left: $left"
in_root dpkg --purge pdv-velt >>"$log" 2>&1 || fail "dpkg --purge pdv-velt"
! in_root dpkg -s pdv-velt >/dev/null 2>&1 || fail "dpkg still knows pdv-velt after purge"
ok "apt remove took all $(wc -w <<<"$files") files of the package; dpkg --purge forgot it"
echo "checa-pacote: PASSED ($(basename "$deb") on Debian $(cat "$root/etc/debian_version"))"
