# Top-level entry points. `make run` and `make test` do all set-up on a fresh
# Debian machine: they install the missing packages, build and run.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Configures and builds a preset's tree under that tree's lock: targets run
# at once (make -j) never build the same folder twice at the same time.
BUILD = JOBS=$(JOBS) bash scripts/build-preset.sh
# CPack builds the tree it packs: it runs under the same lock.
CPACK = flock build/.$(1).lock cpack --config build/$(1)/CPackConfig.cmake -B build/packages

.PHONY: all deps build run test test-release test-package test-sanitize test-windows test-web test-arm64 web serve package bench clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	$(BUILD) release

run: build
	bash scripts/run-demo.sh

# Every test stage, each one run even when another fails, then one summary
# line per stage; the status is non-zero when any stage failed
# (scripts/test-stages.sh says which stages run side by side).
test: deps
	bash scripts/test-stages.sh

# Single stages, each building what it needs.
test-release:
	bash scripts/test-stages.sh release

test-package:
	bash scripts/test-stages.sh package

test-sanitize:
	bash scripts/test-stages.sh sanitize

# The Windows builds, their unit tests as .exe files and their end-to-end
# tests, under Wine (label `windows`): 32-bit (skipped where the machine
# does not run 32-bit programs) and 64-bit. The Linux render tool is built
# too: the Windows ones are compared with it.
test-windows:
	bash scripts/test-stages.sh windows-i686 windows-x86_64

# The 64-bit ARM Linux build (cross-compiled) and its tests under qemu (label
# arm64): unit tests, the differential and the render tool's files against
# the x86-64 build, the demo on Xvfb, and the arm64 package.
test-arm64:
	bash scripts/test-stages.sh arm64

# The Debian packages of the Linux builds (amd64, arm64) and the zips of the
# 32-bit and 64-bit Windows builds, made by CPack into build/packages. Their
# tests (label `package`) run in the package, Windows and arm64 stages of
# `make test`. The same commit gives the same bytes; SHA256SUMS lists them.
package: deps
	$(BUILD) release --target ombrith_package_inputs
	$(call CPACK,release)
	$(BUILD) windows-i686 --target ombrith_package_inputs
	$(call CPACK,windows-i686)
	$(BUILD) windows-x86_64 --target ombrith_package_inputs
	$(call CPACK,windows-x86_64)
	$(BUILD) linux-arm64 --target ombrith_package_inputs
	$(call CPACK,linux-arm64)
	cd build/packages && sha256sum *.deb *.zip > SHA256SUMS
	@ls -l build/packages/*.deb build/packages/*.zip build/packages/SHA256SUMS

# The browser version: the site in build/web/site/ (Emscripten).
web: deps
	$(BUILD) release --target ombrith_icon
	$(BUILD) web

serve: web
	@echo "Serving build/web/site on http://127.0.0.1:8000/ (Ctrl+C ends it)"
	python3 -m http.server 8000 --bind 127.0.0.1 --directory build/web/site

# The web tests (label web): the wasm build against the native one under
# node, and the page in headless Chromium. The native programs they compare
# with come from the release build.
test-web:
	bash scripts/test-stages.sh web

bench: build
	bash scripts/run-bench.sh

clean:
	rm -rf build out
