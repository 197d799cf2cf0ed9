# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the tools that fetch from Debian (tools/build-windows-qt,
# tools/fresh-system). Prints the mirror and the release this system's apt
# uses, as "URI RELEASE" (e.g. "http://deb.debian.org/debian bookworm"),
# read from apt's own index targets, or from its sources files when no index
# has been fetched yet.
debian_mirror() {
    local line
    line=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' 2>/dev/null |
        grep -v -- '-security\|-updates\|-backports' | head -n 1 || true)
    if [[ -z $line ]]; then
        line=$(awk '/^URIs:/ { uri = $2 } /^Suites:/ && uri { print uri, $2; exit }' \
            /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    fi
    [[ -n $line ]] || { echo "no Debian mirror found in the apt configuration" >&2; return 1; }
    set -- $line
    echo "${1%/} $2"
}
