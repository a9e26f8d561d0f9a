# shellcheck shell=bash
# Debian packages the build, the tests and the fuzzer need. Sourced by test.sh and run.sh:
# `ensure_deps` installs the missing ones (apt-get update first), and nothing when all are
# there.

DEPS_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libsqlite3-dev libicu-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev # libFuzzer and the sanitizers' runtime
    qt6-base-dev libgl-dev   # the client (Qt 6 Widgets)
    unixodbc-dev tdsodbc     # a real SQL Server through ODBC and FreeTDS
    freetds-bin python3-pymssql # tsql and pymssql, other clients of the TDS listener in the tests
    libxlsxwriter-dev libfreexl-dev # spreadsheet files written and read back
    libzip-dev libexpat1-dev        # reading .xlsx
    libreoffice-calc-nogui python3-openpyxl # workbooks made by others, for tests and bench
    xvfb xauth fonts-thai-tlwg      # a virtual display and Thai fonts for the screens
    libzint-dev libthai0 poppler-utils # report barcodes, Thai line breaking, PDFs read back
)

ensure_deps() {
    local missing=() pkg
    for pkg in "${DEPS_PACKAGES[@]}"; do
        if [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" != "install ok installed" ]; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing missing packages: ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}
