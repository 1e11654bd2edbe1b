# Pelorin: one-command set-up, build, run and test on a Debian machine.
#   make run   - install what is missing, build (Release), start Pelorin
#   make test  - install what is missing, build with sanitizers, run every test
#   make bench - Release build of the benchmarks, results in bench/
#   make fuzz  - each fuzz target for FUZZ_SECONDS (30) under libFuzzer (clang);
#                FUZZ_TARGETS="datafile compare" for some of them
SHELL := /bin/bash
PKGS := cmake ninja-build g++ qt6-base-dev qt6-image-formats-plugins \
        libgtest-dev libbenchmark-dev xvfb xauth
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
FUZZ_TARGETS ?=
PICTURE ?= $(firstword $(wildcard samples/kanz_drawx*.jpg))

.PHONY: deps release run test bench fuzz clean

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

bench: release
	scripts/run-bench build/release

clean:
	rm -rf build

# The fuzz targets need clang and its libFuzzer runtime.
fuzz: PKGS += clang libclang-rt-14-dev
fuzz: deps
	JOBS=$(JOBS) scripts/run-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)
