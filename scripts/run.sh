#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pliego in the sample book's folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build/samples"
exec "$root/build/pliego" "$@"
