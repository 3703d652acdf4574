# Thin wrapper around CMake. `make test` builds and runs every suite twice: a normal
# build in build/ and an AddressSanitizer + UndefinedBehaviorSanitizer build in
# build-asan/. Warnings are errors in both. A ThreadSanitizer build in build-tsan/
# drives the host module from several threads (TSAN_ITERATIONS rounds per thread).
# Then it builds the libFuzzer targets with clang in build-fuzz/ and runs each for 20 s
# on its corpus; `make fuzz` runs them for FUZZ_SECONDS each (default 60). Last, the
# 32-bit Windows module is cross-built in build-win32/ and tested under Wine.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# ccache, when present, makes the four builds and repeated runs of `make test` cheap.
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)
export CCACHE_BASEDIR ?= $(CURDIR)
# Objects with debug information are shared between clones in other folders too.
export CCACHE_NOHASHDIR ?= 1
FUZZ_SECONDS ?= 60
TSAN_ITERATIONS ?= 8

.PHONY: install-gdal all deps build test test-normal test-asan test-tsan test-fuzz test-windows fuzz fuzz-build demo bench mutate clean \
	windows windows-win32 windows-win64

all: build

deps:
	@scripts/setup-deps.sh

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

test-normal: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_WERROR=ON -DTOVEX_SANITIZE=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

# Only the library, the module and the threaded host test are built with TSan; any
# race report ends the run with a failure.
test-tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_WERROR=ON -DTOVEX_SANITIZE_THREAD=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target test_host_threads
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 TOVEX_THREAD_ITERATIONS=$(TSAN_ITERATIONS) \
		build-tsan/tests/test_host_threads

# The fuzz build compiles the library with clang, -fsanitize=fuzzer-no-link plus ASan and
# UBSan; clang's own warnings are not made errors here (the gcc builds above hold that line).
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++ -DTOVEX_FUZZ=ON -DTOVEX_BUILD_TESTS=OFF $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS)

fuzz: fuzz-build
	scripts/run-fuzzers.sh $(FUZZ_SECONDS)

# The short runs inside `make test` catch crashes, leaks, memory blow-ups and hangs;
# they allow 10 s per input so that a loaded CI machine does not turn a merely slow
# run red. `make fuzz` holds every input to 1 s and is where slowness is hunted.
test-fuzz: fuzz-build
	FUZZ_TIMEOUT=10 scripts/run-fuzzers.sh 20

test: test-normal test-asan test-tsan test-fuzz test-windows

# The 32-bit module under Wine (its own prefix in build-win32/wine-prefix, made on the
# first run): the DLL's export and import tables, and the Windows hosts' PNM output for
# every example at levels 0 and 2 against the Linux amhost's, byte for byte; then the
# suites cross-built for 32-bit Windows.
test-windows: build windows-win32
	python3 tests/windows/windows_checks.py --win32-bin build-win32/bin \
		--linux-amhost build/tools/amhost/amhost --examples examples \
		--prefix build-win32/wine-prefix --suites build-win32/windows_suites.txt

# The module for Windows hosts, cross-built with MinGW-w64: build-win32/bin holds
# tvx_reader.dll and amhost.exe for 32-bit hosts, build-win64/bin the same for 64-bit.
windows: windows-win32 windows-win64

windows-win32: deps
	cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build-win32 -j $(JOBS)

windows-win64: deps
	cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVEX_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build-win64 -j $(JOBS)

# The GDAL plug-in gdal_TVX.so into the first folder of GDAL_DRIVER_PATH when that is
# set at configure time, otherwise into GDAL's own plug-in folder (CMake's
# TOVEX_GDAL_PLUGIN_DIR names it).
install-gdal: build
	cmake --install build --component gdal

demo: build
	@scripts/demo.sh

bench: deps
	@bench/compare.sh

# Puts one deliberate fault at a time into src/, rebuilds build/ and runs ctest: which
# faults the suite catches. A developer's tool, not part of `make test`.
mutate: build
	scripts/mutate.py

clean:
	rm -rf build build-asan build-tsan build-fuzz build-win32 build-win64 out
