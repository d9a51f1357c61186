#!/usr/bin/env bash
# Installs a Tralex package on a fresh, minimal Debian 12 made with debootstrap (no build tools,
# no LibreOffice), the way a user installs it, and checks what the user gets:
#   - apt installs it with its dependencies;
#   - the desktop menu entry starts an installed program (Exec, Icon, TryExec-free);
#   - tralex-cli replaces in a text folder, and refuses a spreadsheet type with the message that
#     LibreOffice is missing;
#   - the window starts (Qt's offscreen platform) and is still running after its splash time;
#   - man shows both man pages in English and Japanese.
#   scripts/try_install.sh PACKAGE.deb [TREE]     (run as root; TREE defaults to a temporary folder)
# Needs debootstrap (installed when missing) and the Debian mirror named in the apt sources.
set -euo pipefail
deb=$(readlink -f "$1")
keep=${2:+1}
tree=${2:-$(mktemp -d /var/tmp/tralex-try.XXXXXX)}
mirror=$(grep -hE '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null \
  | grep -oE 'https?://[^ ]+/debian/?$' | head -n 1 || true)
mirror=${mirror:-http://deb.debian.org/debian}

command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
cleanup() {
  for m in proc dev/pts dev; do umount "$tree/$m" 2>/dev/null || true; done
  [ -n "$keep" ] || rm -rf "$tree"
}
trap cleanup EXIT

if [ ! -x "$tree/usr/bin/apt-get" ]; then
  debootstrap --variant=minbase bookworm "$tree" "$mirror" >/dev/null
fi
mount -t proc proc "$tree/proc"
mount --bind /dev "$tree/dev"
mount --bind /dev/pts "$tree/dev/pts"
cp "$deb" "$tree/tmp/tralex.deb"
in_tree() { chroot "$tree" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== install"
in_tree apt-get update -qq
in_tree env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends man-db /tmp/tralex.deb >/dev/null
for tool in gcc cmake soffice; do
  if in_tree sh -c "command -v $tool" >/dev/null; then echo "$tool is installed in the tree" >&2; exit 1; fi
done

echo "== desktop entry"
exec_line=$(grep '^Exec=' "$tree/usr/share/applications/tralex.desktop" | cut -d= -f2 | cut -d' ' -f1)
in_tree sh -c "command -v $exec_line"
test -f "$tree/usr/share/icons/hicolor/256x256/apps/tralex.png"

echo "== tralex-cli"
in_tree sh -c 'mkdir -p /root/d && printf "abc\n" > /root/d/a.txt && tralex-cli /root/d txt --pair abc xyz && grep -qx xyz /root/d/a.txt'
set +e
out=$(in_tree tralex-cli /root/d xls --pair abc xyz 2>&1); status=$?
set -e
echo "$out"
[ "$status" = 2 ] && echo "$out" | grep -q 'LibreOffice がインストールされていない'

echo "== window"
set +e
in_tree sh -c 'mkdir -p -m 700 /tmp/runtime && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime timeout 5 tralex'; status=$?
set -e
[ "$status" = 124 ] || { echo "the window ended with $status before 5 s" >&2; exit 1; }

echo "== man pages"
# The minimal tree generates no Japanese locale: the Japanese pages are asked for by language.
for lang in en ja; do
  for page in tralex tralex-cli; do
    in_tree env MANPAGER=cat MANWIDTH=80 man -L "$lang" "$page" | sed -n 4p
  done
done
echo "installed and working in $tree"
