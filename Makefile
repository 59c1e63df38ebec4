# Top-level entry points. `make run` and `make test` do all set-up on a fresh
# Debian machine: they install the missing packages, build and run.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_BUILD = cmake --build --preset

.PHONY: all deps build run test test-release test-sanitize test-windows test-web web serve package bench clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake --preset release >/dev/null
	$(CMAKE_BUILD) release -j $(JOBS)

run: build
	bash scripts/run-demo.sh

test: deps test-release test-sanitize test-windows test-web

test-release:
	cmake --preset release >/dev/null
	$(CMAKE_BUILD) release -j $(JOBS)
	ctest --preset release -j $(JOBS)

test-sanitize:
	cmake --preset sanitize >/dev/null
	$(CMAKE_BUILD) sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# The 32-bit Windows build, its unit tests as .exe files and its end-to-end
# tests, all run under Wine (label `windows`). The Linux render tool is built
# too: the Windows one is compared with it.
test-windows:
	cmake --preset release >/dev/null
	$(CMAKE_BUILD) release -j $(JOBS) --target ombrith-render
	cmake --preset windows-i686 >/dev/null
	$(CMAKE_BUILD) windows-i686 -j $(JOBS)
	ctest --preset windows-i686 -j $(JOBS)

# The Debian package of the Linux build and the zip of the 32-bit Windows
# build, made by CPack into build/packages with their SHA256SUMS; the same
# commit gives the same bytes. Their tests (label `package`)
# run with the release and Windows tests.
package: deps
	cmake --preset release >/dev/null
	$(CMAKE_BUILD) release -j $(JOBS) --target ombrith320 ombrith640 ombrith-render ombrith-keys ombrith_compressed_docs ombrith_icon
	cpack --config build/release/CPackConfig.cmake -B build/packages
	cmake --preset windows-i686 >/dev/null
	$(CMAKE_BUILD) windows-i686 -j $(JOBS) --target ombrith320 ombrith640 ombrith-render
	cpack --config build/windows-i686/CPackConfig.cmake -B build/packages
	cd build/packages && sha256sum *.deb *.zip > SHA256SUMS
	@ls -l build/packages/*.deb build/packages/*.zip build/packages/SHA256SUMS

# The browser version: the site in build/web/site/ (Emscripten).
web: deps
	cmake --preset release >/dev/null
	$(CMAKE_BUILD) release -j $(JOBS) --target ombrith_icon
	cmake --preset web >/dev/null
	$(CMAKE_BUILD) web -j $(JOBS)

serve: web
	@echo "Serving build/web/site on http://127.0.0.1:8000/ (Ctrl+C ends it)"
	python3 -m http.server 8000 --bind 127.0.0.1 --directory build/web/site

# The web tests (label web): the wasm build against the native one under
# node, and the page in headless Chromium. The native programs they compare
# with come from the release build.
test-web:
	cmake --preset release >/dev/null
	$(CMAKE_BUILD) release -j $(JOBS) --target ombrith-render ombrith_icon web_differential
	cmake --preset web >/dev/null
	$(CMAKE_BUILD) web -j $(JOBS)
	ctest --preset web -j $(JOBS)

bench: build
	bash scripts/run-bench.sh

clean:
	rm -rf build out
