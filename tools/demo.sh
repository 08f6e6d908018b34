#!/ usr / bin / env bash
#Installs what is needed, builds qmk and runs a sample research against the bundled stand - in
#service(generated data), with one of its demo sites as the target.Extra arguments are passed
#to `qmk research`, e.g.tools / demo.sh-- format csv.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh >&2
#Build output goes to stderr so that the rows alone reach stdout(tools / demo.sh-- format csv > \
                                                                 x.csv)                         \
    .
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build -j"$(nproc)" --target qmk >&2
exec build/qmk research --target example.com --pages 5 --results 15 "$@" "blue widgets"
