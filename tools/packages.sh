# Sourced by the scripts that need Debian packages:
#   . tools/packages.sh; need_packages cmake g++ ...
# Installs with apt those that are not installed yet (sudo when not root).
need_packages() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -n "$missing" ] || return 0
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    # Another apt may be running on a shared machine: wait for its lock.
    $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends $missing
}
