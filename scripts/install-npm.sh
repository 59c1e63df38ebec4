#!/usr/bin/env bash
# Installs the web tests' npm packages (playwright-core, puppeteer-core and
# selenium-webdriver, pinned in tests/web/package-lock.json) with npm ci, when
# they are missing or the lock file changed. No browser is downloaded: the
# tests use Debian's chromium, firefox-esr and WebKitGTK (none of these
# packages downloads one on install; the variables say so all the same).
set -euo pipefail
dir=$(cd "$(dirname "$0")/../tests/web" && pwd)
stamp="$dir/node_modules/.ombrith-lock"
if [ -f "$stamp" ] && cmp -s "$stamp" "$dir/package-lock.json"; then
  exit 0
fi
if ! command -v npm >/dev/null; then
  echo "npm is missing: the web tests need Node.js with npm" >&2
  exit 1
fi
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 PUPPETEER_SKIP_DOWNLOAD=1
(cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
cp "$dir/package-lock.json" "$stamp"
