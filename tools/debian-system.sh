# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by tools/fresh-system and tools/test-packages (as root): fresh
# minimal Debian systems made by debootstrap, each kept as a tarball in the
# cache folder so later runs only unpack it, and the mounts a chroot into
# one needs. Needs tools/debian-mirror.sh sourced first.

debian_system_cache=${XDG_CACHE_HOME:-$HOME/.cache}/korvax-editor

# Prints the tarball of a fresh minimal Debian RELEASE (bookworm, trixie),
# making it once with debootstrap (about a minute) when it is not cached.
debian_system_tarball() {
    local release=$1 tarball="$debian_system_cache/debootstrap-$1-minbase.tar"
    if [[ ! -s $tarball ]]; then
        echo "making a fresh minimal Debian $release (about a minute, once)" >&2
        local mirror staging
        mirror=$(debian_mirror)
        mirror=${mirror% *}
        mkdir -p "$debian_system_cache"
        staging=$(mktemp -d "$debian_system_cache/.debootstrap-XXXXXX")
        if ! debootstrap --variant=minbase "$release" "$staging/root" "$mirror" >"$staging/log" 2>&1; then
            tail -n 30 "$staging/log" >&2
            rm -rf "$staging"
            echo "debootstrap $release failed" >&2
            return 1
        fi
        tar -C "$staging/root" -cf "$staging/system.tar" .
        mv "$staging/system.tar" "$tarball"
        rm -rf "$staging"
    fi
    echo "$tarball"
}

# Unpacks TARBALL into a new folder under /var/tmp named after NAME and
# prints the folder. The caller removes it (rm -rf --one-file-system).
debian_system_unpack() {
    local tarball=$1 name=$2 root
    root=$(mktemp -d "/var/tmp/korvax-$name-XXXXXX")
    tar -C "$root" -xf "$tarball"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    echo "$root"
}

# The kernel's file systems inside ROOT. Call it in a mount namespace of
# its own (unshare --mount --propagation private), so the mounts end with it.
# ROOT is first made a mount point of its own: in a chroot whose / is none,
# unshare cannot make a mount namespace (it fails to make / private), and
# the tests each want one with a /proc of their own.
debian_system_mount() {
    local root=$1
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
}
