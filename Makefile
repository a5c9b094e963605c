# Front door: `make test` and `make run` do everything on a fresh Debian 12 machine.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build test run demo screenshot bench sanitize tsan fuzz format clean

all: build

deps:
	@./tools/install-deps.sh

configure:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test:
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	@if [ -n "$${CI:-}" ]; then $(MAKE) --no-print-directory fuzz FUZZ_SECONDS=60; fi

run:
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build
	@./tools/run-uploader.sh $(BUILD)/bin/tormisaplex-uploader

demo:
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build
	@./tools/demo.sh $(BUILD)

screenshot:
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build
	@./tools/screenshot.sh $(BUILD)

# Release build in a folder of its own, so that it does not rebuild build/ for each switch.
bench:
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build BUILD=build-bench BUILD_TYPE=Release \
	    CMAKE_ARGS="-DTORMISAPLEX_BUILD_TESTS=OFF"
	@./tools/run-bench.sh build-bench

# Tests under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build BUILD=build-asan BUILD_TYPE=Debug \
	    CMAKE_ARGS="-DSANITIZE=address,undefined -DTORMISAPLEX_BUILD_BENCH=OFF"
	@ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# Tests under ThreadSanitizer.
tsan:
	@$(MAKE) --no-print-directory deps
	@$(MAKE) --no-print-directory build BUILD=build-tsan BUILD_TYPE=Debug \
	    CMAKE_ARGS="-DSANITIZE=thread -DTORMISAPLEX_BUILD_BENCH=OFF"
	@TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tools/tsan.supp" \
	    ctest --test-dir build-tsan --output-on-failure -j $(JOBS)

# The fuzz target, built with clang and libFuzzer in a folder of its own, run for
# FUZZ_SECONDS (libFuzzer options may follow in FUZZ_ARGS).
FUZZ_SECONDS ?= 60
FUZZ_ARGS    ?=
fuzz:
	@$(MAKE) --no-print-directory deps
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTORMISAPLEX_FUZZ=ON \
	    -DTORMISAPLEX_BUILD_TESTS=OFF -DTORMISAPLEX_BUILD_BENCH=OFF -DSANITIZE=address,undefined
	@cmake --build build-fuzz -j $(JOBS) --target tormisaplex_fuzz
	@./tools/run-fuzz.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_ARGS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-asan build-tsan build-bench build-fuzz
