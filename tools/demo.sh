#!/usr/bin/env bash
# The main job: a fresh copy of the bundled sample album, built into a web
# album with the bundled skin. Prints the path of the album's index page.
set -euo pipefail
build_dir=$(realpath "${1:-build}")
cli="$build_dir/cli/quorvane-cli"
demo="$build_dir/demo"

rm -rf "$demo"
mkdir -p "$demo"
cp -r "$(dirname "$0")/../samples/album" "$demo/album"

# A small album looks best with folder mosaics of 3 x 2 larger cells.
"$cli" init "$demo/album" --set OutputFolder="$demo/site" --set ParseExif=1 \
    --set nbDirThumbsX=3 --set nbDirThumbsY=2 --set ThmDirImgWidth=80 --set ThmDirImgHeight=60 >/dev/null
index=$("$cli" build "$demo/album")
echo "The sample album is ready: $index"
