#!/usr/bin/env bash
# Writes the independent test movies and their reference pictures into tests/data/render with FreeHEP's
# SWF writer and Java2D (see MakeReferenceMovies.java). Needs a JDK and Debian's FreeHEP packages:
#   apt-get install default-jdk-headless libfreehep-graphicsio-swf-java libfreehep-graphicsio-java \
#     libfreehep-io-java libfreehep-util-java libfreehep-graphics2d-java libfreehep-graphicsbase-java
# The tests only read what this wrote; they do not need Java.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../../../.." && pwd)"
OUT="${1:-$ROOT/tests/data/render}"
CP=""
for jar in freehep-graphicsio-swf freehep-graphicsio freehep-graphics2d freehep-graphicsbase freehep-io freehep-util; do
  [ -f "/usr/share/java/$jar.jar" ] || { echo "missing /usr/share/java/$jar.jar" >&2; exit 2; }
  CP="$CP/usr/share/java/$jar.jar:"
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
javac -nowarn -d "$work" -cp "$CP" "$HERE/MakeReferenceMovies.java"
java -Djava.awt.headless=true -cp "$CP$work" MakeReferenceMovies "$OUT"
