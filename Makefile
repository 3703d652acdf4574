# Thin wrapper around CMake. `make test` builds and runs every suite twice: a normal
# build in build/ and an AddressSanitizer + UndefinedBehaviorSanitizer build in
# build-asan/. Warnings are errors in both.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build test test-normal test-asan demo bench clean

all: build

deps:
	@scripts/setup-deps.sh

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_WERROR=ON $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

test-normal: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_WERROR=ON -DTOVEX_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

test: test-normal test-asan

demo: build
	@scripts/demo.sh

bench: deps
	@if [ -x bench/compare.sh ]; then bench/compare.sh; else echo "no benchmarks yet"; fi

clean:
	rm -rf build build-asan out
