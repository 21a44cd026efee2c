#!/usr/bin/env bash
# Writes the movies of tests/data/render/preview and their reference pictures (see README.md there).
# Needs what the tests do not: a JDK and Debian's FreeHEP packages (as ../reference/make.sh), Debian's
# haxe and chromium, and npm's @ruffle-rs/ruffle and puppeteer-core:
#   apt-get install default-jdk-headless libfreehep-graphicsio-swf-java libfreehep-graphicsio-java \
#     libfreehep-io-java libfreehep-util-java libfreehep-graphics2d-java libfreehep-graphicsbase-java haxe chromium
#   npm install --prefix DIR @ruffle-rs/ruffle puppeteer-core
#   make.sh DIR/node_modules [OUT]
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../../../.." && pwd)"
MODULES="${1:?the node_modules folder with @ruffle-rs/ruffle and puppeteer-core}"
OUT="${2:-$ROOT/tests/data/render/preview}"
CP=""
for jar in freehep-graphicsio-swf freehep-graphicsio freehep-graphics2d freehep-graphicsbase freehep-io freehep-util; do
  [ -f "/usr/share/java/$jar.jar" ] || { echo "missing /usr/share/java/$jar.jar" >&2; exit 2; }
  CP="$CP/usr/share/java/$jar.jar:"
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$OUT"
javac -nowarn -d "$work" -cp "$CP" "$HERE/MakePreviewMovies.java"
java -Djava.awt.headless=true -cp "$CP$work" MakePreviewMovies "$OUT"
# Haxe: a version 10 movie whose content is script; the picture it embeds is the Graphics2D reference.
cp "$HERE/ScriptOnly.hx" "$work/Main.hx"
cp "$OUT/freehep_graphics2d_v8.png" "$work/pic.png"
(cd "$work" && haxe -main Main -swf "$OUT/haxe_script_only_v10.swf" -swf-version 10 -swf-header 400:300:24:3366AA)
# Ruffle's pictures for every movie but the Graphics2D one, whose reference is Java2D's.
cd "$OUT"
node "$HERE/ruffle_pictures.js" "$MODULES" "$(command -v chromium)" freehep_text_buttons_v7.swf freehep_text_fields_v8.swf \
  freehep_morphs_v8c.swf \
  freehep_jpeg3_blend_filters_v9c.swf freehep_jpeg3_blend_filters_v10.swf haxe_script_only_v10.swf
