# What the scripts in scripts/ share; sourced by them alone. The Debian packages of each job
# are the arrays KELO_<JOB>_PACKAGES, read from data/debian-packages.txt.
while read -r job packages; do
    job=${job%:} && declare -a "KELO_${job^^}_PACKAGES=($packages)"
done < <(grep -E '^[a-z_]+:' "$(dirname "${BASH_SOURCE[0]}")/../data/debian-packages.txt")

# The Windows and browser releases are built on Qt 6.8 (Debian 13, testing and unstable): asked
# for either, an older Debian says so in one line and stops.
kelo_cross_release_here() {
    local release name
    release=$(. /etc/os-release && echo "${VERSION_ID:-99} $PRETTY_NAME")
    [ "${release%% *}" -lt 13 ] || return 0
    for name in "$@"; do
        case $name in windows) name=Windows ;; web) name=browser ;; *) continue ;; esac
        echo "The $name release is built on Debian 13 (Qt 6.8), not here on ${release#* }." >&2
        exit 1
    done
}

# The cross parts that this Debian builds, for the scripts' default parts.
kelo_cross_parts() { if (kelo_cross_release_here web) 2>/dev/null; then echo windows web; fi; }

# Where the Qt builds for other platforms and Qt's source are kept.
kelo_cache() { echo "${KELO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kelokelo}"; }

# Runs a command as root, through sudo unless this is root, with debconf's setting past sudo.
kelo_as_root() { $([ "$(id -u)" -eq 0 ] || echo sudo) env DEBIAN_FRONTEND=noninteractive "$@"; }

# Installs the Debian packages given that are missing. Another apt (unattended-upgrades) may hold
# the locks: apt waits for dpkg's, and the update is tried again while the lists' lock is held.
kelo_ensure_packages() {
    local missing=() pkg apt=(apt-get -qq -o DPkg::Lock::Timeout=1800) log
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}"
    until log=$(kelo_as_root "${apt[@]}" update 2>&1); do
        grep -q 'Could not get lock' <<<"$log" || { echo "$log" >&2 && return 1; }
        sleep 5
    done
    kelo_as_root "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
}

# Prints "URI SUITE COMPONENT LABEL" for each part of Debian's archive (label "Debian" or
# "Debian-Security") that apt installs from here, as apt sees its sources in either format.
kelo_debian_archives() {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(LABEL)' \
        'Identifier: Packages' 'Origin: Debian' | sort -u
}

# Who builds a package, as "Name <address>": DEBFULLNAME and DEBEMAIL, as for Debian's own
# tools, or else git's user.name and user.email, or else a name that says it is a check.
kelo_maintainer() {
    local name=${DEBFULLNAME:-$(git config user.name 2>/dev/null || true)}
    local email=${DEBEMAIL:-${EMAIL:-$(git config user.email 2>/dev/null || true)}}
    [ -n "$name" ] && [ -n "$email" ] || name="Kelo Kelo package check" email=package-check@kelokelo.test
    echo "$name <$email>"
}
