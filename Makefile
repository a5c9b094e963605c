# Front door: `make test` and `make run` do everything on a fresh Debian 12 machine. Each
# target installs only the packages it needs and builds only the targets it runs.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc)
# What `make build` builds: everything, or the targets named here.
TARGETS    ?=

PKG_RUN     = tools/packages.txt
PKG_TEST    = $(PKG_RUN) tools/packages-test.txt
PKG_PACKAGE = $(PKG_TEST) tools/packages-package.txt
PKG_FUZZ    = $(PKG_RUN) tools/packages-fuzz.txt
# The build folder's configuration for the tests and the package.
WITH_TESTS  = CMAKE_ARGS="-DTORMISAPLEX_BUILD_TESTS=ON $(CMAKE_ARGS)"

.PHONY: all deps configure build test package test-package run demo screenshot screenshots \
        screenshots-windows bench sanitize tsan fuzz lab format clean deps-windows windows \
        test-windows package-windows

all: build

# The packages of every purpose; each target below installs only its own.
deps:
	@./tools/install-deps.sh $(PKG_PACKAGE) tools/packages-fuzz.txt

configure:
	@./tools/configure.sh $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS) $(if $(TARGETS),--target $(TARGETS))

test:
	@./tools/install-deps.sh $(PKG_TEST)
	@$(MAKE) --no-print-directory build $(WITH_TESTS)
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Debian package, $(BUILD)/tormisaplex-uploader_<version>_amd64.deb (packaging/).
package:
	@./tools/install-deps.sh $(PKG_PACKAGE)
	@$(MAKE) --no-print-directory build $(WITH_TESTS)
	@cmake --build $(BUILD) --target package
	@grep -q '^TORMISAPLEX_FIRMWARE:FILEPATH=.' $(BUILD)/CMakeCache.txt || \
	    echo "note: the package carries the test firmware image; for devices build it with" \
	         "CMAKE_ARGS=-DTORMISAPLEX_FIRMWARE=/path/to/image.bin"

# Checks the package: lintian, the desktop entry and AppStream data, and an install, a start
# under Xvfb and a removal in a fresh Debian 12 root (needs root and Debian's mirror).
test-package:
	@$(MAKE) --no-print-directory package
	@./tools/check-package.sh $(BUILD)

run:
	@./tools/install-deps.sh $(PKG_RUN)
	@$(MAKE) --no-print-directory build TARGETS=tormisaplex-uploader
	@./tools/run-uploader.sh $(BUILD)/bin/tormisaplex-uploader

demo:
	@./tools/install-deps.sh $(PKG_RUN)
	@$(MAKE) --no-print-directory build TARGETS="tormisaplex-uploader tormisaplex-devsim"
	@./tools/demo.sh $(BUILD)

screenshot:
	@./tools/install-deps.sh $(PKG_TEST)
	@$(MAKE) --no-print-directory build TARGETS="tormisaplex-screenshot tormisaplex-devsim"
	@./tools/screenshot.sh $(BUILD)

# The window at 100, 125, 150 and 200 % display scaling in each state, into
# $(BUILD)/screenshots/ (tools/screenshots.sh); with the Windows build under Wine too when
# build-win holds it, or always with screenshots-windows.
SHOT_TARGETS = tormisaplex-screenshot tormisaplex-devsim tormisaplex-wine-ptyshim
screenshots:
	@./tools/install-deps.sh $(PKG_TEST)
	@$(MAKE) --no-print-directory build TARGETS="$(SHOT_TARGETS)"
	@./tools/screenshots.sh $(BUILD) $(if $(wildcard build-win/bin/tormisaplex-uploader-hands.exe),build-win)

screenshots-windows: windows
	@./tools/install-deps.sh $(PKG_TEST)
	@$(MAKE) --no-print-directory build TARGETS="$(SHOT_TARGETS)"
	@./tools/screenshots.sh $(BUILD) build-win

# Release build in a folder of its own, so that it does not rebuild build/ for each switch.
bench:
	@./tools/install-deps.sh $(PKG_TEST)
	@$(MAKE) --no-print-directory build BUILD=build-bench BUILD_TYPE=Release \
	    CMAKE_ARGS="-DTORMISAPLEX_BUILD_TESTS=OFF -DTORMISAPLEX_BUILD_BENCH=ON"
	@./tools/run-bench.sh build-bench

# Tests under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	@./tools/install-deps.sh $(PKG_TEST)
	@$(MAKE) --no-print-directory build BUILD=build-asan BUILD_TYPE=Debug \
	    CMAKE_ARGS="-DSANITIZE=address,undefined -DTORMISAPLEX_BUILD_TESTS=ON -DTORMISAPLEX_BUILD_BENCH=OFF"
	@ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# Tests under ThreadSanitizer.
tsan:
	@./tools/install-deps.sh $(PKG_TEST)
	@$(MAKE) --no-print-directory build BUILD=build-tsan BUILD_TYPE=Debug \
	    CMAKE_ARGS="-DSANITIZE=thread -DTORMISAPLEX_BUILD_TESTS=ON -DTORMISAPLEX_BUILD_BENCH=OFF"
	@TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tools/tsan.supp" \
	    ctest --test-dir build-tsan --output-on-failure -j $(JOBS)

# Windows: cross-built with MinGW-w64 into build-win (x86-64) and build-win32 (i686), tests
# under Wine. WINE32=no leaves Wine's 32-bit part out (it enables i386 in dpkg); the i686
# build is still made, its tests are not run.
WIN_BUILD_TYPE ?= Release
WINE32         ?= yes
WINE_PREFIX    ?= $(CURDIR)/build-win/wine-prefix
WIN_PACKAGES    = tools/packages-windows.txt $(if $(filter yes,$(WINE32)),tools/packages-wine32.txt)
# The 32-bit build's tests and zip check run only where Wine's 32-bit loader runs: installed,
# and a kernel that can run 32-bit programs.
WINE32_RUNS     = $(shell /usr/lib/wine/wine --version >/dev/null 2>&1 && echo yes)
WIN_CONFIGURE   = -G Ninja -DCMAKE_BUILD_TYPE=$(WIN_BUILD_TYPE) -DTORMISAPLEX_WITH_GUI=ON \
                  -DTORMISAPLEX_WINEPREFIX=$(WINE_PREFIX) \
                  -DTORMISAPLEX_HOST_TOOLS=$(CURDIR)/$(BUILD)/bin $(CMAKE_ARGS)

deps-windows:
	@./tools/install-deps.sh $(PKG_TEST) $(WIN_PACKAGES)

windows: deps-windows
	@./tools/configure.sh build-win $(WIN_CONFIGURE) \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchains/mingw-w64-x86_64.cmake
	@cmake --build build-win -j $(JOBS)
	@./tools/configure.sh build-win32 $(WIN_CONFIGURE) \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchains/mingw-w64-i686.cmake
	@cmake --build build-win32 -j $(JOBS)

# The Windows downloads, build-win*/tormisaplex-uploader-<version>-win64.zip and -win32.zip
# (packaging/windows/), each unpacked and its programs asked for their version under Wine.
package-windows: windows
	@cmake --build build-win --target package
	@cmake --build build-win32 --target package
	@./tools/wine/check-zip.sh $(WINE_PREFIX) \
	    "$$(sed -n 's/^#define TORMISAPLEX_VERSION "\(.*\)"$$/\1/p' build-win/generated/include/tormisaplex/Version.h)" \
	    $(CURDIR)/build-win/tormisaplex-uploader-*-win64.zip \
	    $(if $(WINE32_RUNS),$(CURDIR)/build-win32/tormisaplex-uploader-*-win32.zip)

# The serial tests under Wine talk to the Linux device simulator, built in $(BUILD).
test-windows: windows
	$(if $(WINE32_RUNS),,@echo "note: Wine's 32-bit loader cannot run here (not installed, or a kernel without 32-bit support): the i686 build is built, its tests are not run")
	@$(MAKE) --no-print-directory configure
	@cmake --build $(BUILD) -j $(JOBS) --target tormisaplex-devsim tormisaplex-wine-ptyshim
	@JOBS=$(JOBS) xvfb-run -a ./tools/wine/test-windows.sh $(WINE_PREFIX) build-win \
	    $(if $(WINE32_RUNS),build-win32)

# The fuzz target, built with clang and libFuzzer in a folder of its own, run for
# FUZZ_SECONDS (libFuzzer options may follow in FUZZ_ARGS).
FUZZ_SECONDS ?= 60
FUZZ_ARGS    ?=
fuzz:
	@./tools/install-deps.sh $(PKG_FUZZ)
	@./tools/configure.sh build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTORMISAPLEX_FUZZ=ON \
	    -DTORMISAPLEX_BUILD_TESTS=OFF -DTORMISAPLEX_BUILD_BENCH=OFF -DSANITIZE=address,undefined
	@cmake --build build-fuzz -j $(JOBS) --target tormisaplex_fuzz
	@./tools/run-fuzz.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_ARGS)

# The programs on real kernel serial drivers: Debian's kernel under QEMU, an FTDI adapter
# and a 16550A in front of the device simulator, adapters pulled out and plugged in
# (docs/lab.md). Needs root; prepares once into $(BUILD)/lab.
LAB_TIMEOUT ?= 900
lab:
	@./tools/install-deps.sh $(PKG_TEST) tools/packages-lab.txt
	@$(MAKE) --no-print-directory build $(WITH_TESTS) \
	    TARGETS="tormisaplex-upload tormisaplex-devsim app_qt_tests"
	@python3 tools/lab/lab.py $(BUILD) --timeout $(LAB_TIMEOUT)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build build-asan build-tsan build-bench build-fuzz build-win build-win32
