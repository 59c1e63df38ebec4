# Top-level entry points. `make run` and `make test` do all set-up on a fresh
# Debian machine: they install the missing packages, build and run.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Configures and builds a preset's tree under that tree's lock: targets run
# at once (make -j) never build the same folder twice at the same time.
BUILD = JOBS=$(JOBS) bash scripts/build-preset.sh
# CPack builds the tree it packs: it runs under the same lock.
CPACK = flock build/.$(1).lock cpack --config build/$(1)/CPackConfig.cmake -B build/packages

.PHONY: all deps build run test web serve package bench clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	$(BUILD) release

run: build
	bash scripts/run-demo.sh

# Every test stage, each one run even when another fails, then one summary
# line per stage; the status is non-zero when any stage failed
# (scripts/test-stages.sh lists the stages and says which run side by side).
test: deps
	bash scripts/test-stages.sh

# test-NAME for each stage of that list (test-release, test-web ...) and
# for each group of stages NAME-* (test-windows: both Windows builds), each
# building what it needs.
STAGES := $(shell bash scripts/test-stages.sh --list)
STAGE_TARGETS := $(addprefix test-,$(STAGES))
.PHONY: $(STAGE_TARGETS)
$(STAGE_TARGETS): test-%:
	bash scripts/test-stages.sh $*

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

bench: build
	bash scripts/run-bench.sh

clean:
	rm -rf build out
