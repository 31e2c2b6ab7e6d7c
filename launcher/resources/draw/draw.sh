#!/bin/sh
# Redraws the launcher's pictures into launcher/resources/:
#   background.jpg  qz.ico  hand.cur  browse.bmp
#
# The build never runs this; its outputs are committed.  It is here so the
# pictures can be changed and remade the same way, byte for byte.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$here")

# Debian's Pillow is installed for the system interpreter, which a
# version manager's "python3" earlier on PATH would not see.
PYTHON=${PYTHON:-/usr/bin/python3}

missing=""
need() {  # need TEST PACKAGE
    if ! eval "$1" >/dev/null 2>&1; then
        missing="$missing $2"
    fi
}
need "[ -x '$PYTHON' ]" python3
need "'$PYTHON' -c 'import PIL.ImageFont, PIL.ImageFilter'" python3-pil
need "[ -f /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc ]" fonts-wqy-zenhei
need "[ -f /usr/share/fonts/truetype/arphic/ukai.ttc ]" fonts-arphic-ukai
if [ -n "$missing" ]; then
    echo "draw.sh: missing Debian package(s):$missing" >&2
    echo "install with: apt-get install -y --no-install-recommends$missing" >&2
    exit 1
fi

# Keep the source folder free of compiled-module caches.
export PYTHONDONTWRITEBYTECODE=1

cd "$here"
"$PYTHON" background.py "$out/background.jpg"
"$PYTHON" glyphs.py "$out"
