#!/bin/sh
# Installs the Debian 12 packages that the build, the tests and the demo need.
# Safe to run again: apt-get skips what is already there. fonts-noto-cjk draws
# the Chinese texts; without it they show as empty boxes. qttranslations5-l10n
# holds Qt's own Chinese texts (file dialog, standard buttons). libsodium-dev
# hashes the account passwords. postgresql-15 and libqt5sql5-psql: the site
# database's tests start a server of their own; the client sends through the driver.
# libqt5serialbus5-dev serves the plant's Modbus TCP map; mbpoll reads it in the tests.
# libmosquitto-dev publishes to the plant's MQTT broker; the tests start mosquitto
# and read with mosquitto_sub, over TLS with certificates openssl makes.
# libcivetweb-dev serves the read-only web view (libssl-dev: the name it
# loads OpenSSL by); chromium runs its page in the tests, driven by
# puppeteer-core from npm (tests/web/browser). libcurl4-openssl-dev sends the
# mail notifications over SMTP; python3-aiosmtpd is the mail server their tests
# start.
set -e
PACKAGES="build-essential cmake ninja-build pkg-config qtbase5-dev qttools5-dev qttools5-dev-tools
libqt5sql5-sqlite libsqlite3-dev libxlsxwriter-dev libsodium-dev clang libclang-rt-14-dev xvfb xauth librsvg2-bin sqlite3
fonts-dejavu-core fonts-noto-cjk x11-apps netpbm unzip qtmultimedia5-dev libqt5multimedia5-plugins help2man
desktop-file-utils file dpkg-dev qttranslations5-l10n postgresql-15 libqt5sql5-psql
libqt5serialbus5-dev mbpoll libmosquitto-dev mosquitto mosquitto-clients openssl libcivetweb-dev libssl-dev chromium
libcurl4-openssl-dev python3-aiosmtpd"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
# Node.js and npm for the browser tests, unless the machine has its own.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends nodejs npm
fi
