# Pelorin: one-command set-up, build, run and test on a Debian machine.
#   make run   - install what is missing, build (Release), start Pelorin
#   make test  - install what is missing, build with sanitizers, run every test
#   make bench - Release build of the benchmarks, results in bench/
#   make fuzz  - each fuzz target for FUZZ_SECONDS (30) under libFuzzer (clang);
#                FUZZ_TARGETS="datafile compare" for some of them
#   make install - Release build installed under PREFIX (default /usr/local),
#                  DESTDIR honoured
#   make deb   - a Debian package (CPack), checked with lintian
SHELL := /bin/bash
PKGS := cmake ninja-build g++ qt6-base-dev qt6-image-formats-plugins qt6-charts-dev qt6-svg-dev \
        libgtest-dev libbenchmark-dev xvfb xauth \
        pkg-config libcfitsio-dev libopenjp2-7-dev libturbojpeg0-dev zlib1g-dev \
        desktop-file-utils appstream man-db gzip
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
FUZZ_TARGETS ?=
PICTURE ?= $(firstword $(wildcard samples/kanz_drawx*.jpg))
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: deps release run test bench fuzz install deb clean

deps:
	@missing=""; for p in $(PKGS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y $$missing; \
	fi

release: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build/release -j $(JOBS)

run: release
	@scripts/run-pelorin build/release/gui/pelorin $(PICTURE)

test: deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELORIN_SANITIZE=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)

install: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build build/release -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install build/release

# The package's Depends come from dpkg-shlibdeps (dpkg-dev), its compiler and
# linker flags from dpkg-buildflags with every hardening option; lintian
# fails the target on any error it reports.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
deb: PKGS += dpkg-dev lintian
deb: deps
	cmake -S . -B build/deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELORIN_TESTS=OFF -DPELORIN_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)"
	cmake --build build/deb -j $(JOBS)
	cd build/deb && cpack -G DEB
	lintian --fail-on error --info build/deb/pelorin_*.deb

bench: release
	scripts/run-bench build/release

clean:
	rm -rf build

# The fuzz targets need clang and its libFuzzer runtime.
fuzz: PKGS += clang libclang-rt-14-dev
fuzz: deps
	JOBS=$(JOBS) scripts/run-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)
