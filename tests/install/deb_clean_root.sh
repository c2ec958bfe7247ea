#!/usr/bin/env bash
# The .deb as a new user meets it: made by cpack from the build, installed with apt into a
# clean Debian 12 root made by debootstrap, where `zubra2 --version` runs and a wrong
# option is refused. Needs root (chroot) and apt's configured mirror; the root's packages
# are fetched once into BUILD/debootstrap/ and unpacked fresh for every run.
#   deb_clean_root.sh BUILD
set -euo pipefail
build=$1
if [[ $(id -u) -ne 0 ]]; then echo "skipped: a chroot needs root"; exit 77; fi
command -v debootstrap >/dev/null || { echo "skipped: debootstrap is not installed (scripts/setup)"; exit 77; }

# The mirror apt already uses: the first deb source of the sources files.
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | head -n 1)
[[ -n $mirror ]] || mirror=$(awk '$1 == "deb" && $2 !~ /^\[/ && $3 !~ /security/ { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
mirror=${mirror:-http://deb.debian.org/debian}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/packages/zubra2_*.deb)
echo "made $(basename "$deb"): depends on $(dpkg-deb -f "$deb" Depends)"

cache=$build/debootstrap/bookworm-minbase.tgz
if [[ ! -f $cache ]]; then
  mkdir -p "$(dirname "$cache")"
  debootstrap --variant=minbase --make-tarball="$cache.part" bookworm "$work/fetch" "$mirror" >"$work/fetch.log" 2>&1 ||
    { tail -n 20 "$work/fetch.log"; exit 1; }
  mv "$cache.part" "$cache"
fi
root=$work/root
debootstrap --variant=minbase --unpack-tarball="$cache" bookworm "$root" "$mirror" >"$work/root.log" 2>&1 ||
  { tail -n 20 "$work/root.log"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -qq >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
in_root apt-get install -y -qq "/tmp/$(basename "$deb")" >>"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log"; exit 1; }

version=$(in_root zubra2 --version)
[[ $version =~ ^zubra2\ [0-9]+\.[0-9]+ ]] || { echo "zubra2 --version said: $version"; exit 1; }
status=0
in_root zubra2 --no-such-option 2>"$work/refused.txt" || status=$?
[[ $status -eq 2 ]] || { echo "a wrong option ended with $status, not 2"; exit 1; }
for f in /usr/share/applications/zubra2.desktop /usr/share/metainfo/zubra2.metainfo.xml \
         /usr/share/icons/hicolor/48x48/apps/zubra2.png /usr/share/zubra2/assets/level.zub.script \
         /usr/share/man/man6/zubra2.6.gz; do
  [[ -f $root$f ]] || { echo "the package did not install $f"; exit 1; }
done
echo "installed in a clean Debian 12 root with apt: $version"
