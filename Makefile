# The two commands: `make run` and `make test`. Build trees live in build/.
JOBS     ?= 2
BUILD    ?= build/rel
ASAN     ?= build/asan
FUZZB    ?= build/fuzz
WINB     ?= build/win
CMAKE    ?= cmake
export QT_QPA_PLATFORM ?= offscreen

.PHONY: all deps configure build test test-fast test-windows asan bench fuzz run clean format check-format package

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	$(CMAKE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	$(CMAKE) --build $(BUILD) -j$(JOBS)

# The C++ sources kept in the form .clang-format gives: `make format`
# rewrites them, `make test` fails when one differs.
FORMAT_SOURCES = $(shell find res core search library readstate views app cli installer tests bench fuzz scripts \
                   \( -name '*.cpp' -o -name '*.h' \) | sort)

format: deps
	clang-format -i $(FORMAT_SOURCES)

check-format: deps
	clang-format --dry-run --Werror $(FORMAT_SOURCES)

# Every test: the formatting, the core, the command line and the windows
# (offscreen), the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows build of the core and orvlog
# under wine.
test: check-format build asan test-windows
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

asan: deps
	$(CMAKE) -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON \
	  -DORV_WITH_QT=OFF -DORV_BENCH=OFF
	$(CMAKE) --build $(ASAN) -j$(JOBS) --target orv_core_tests orv_readstate_tests orvlog orvlog_tests orv_library_tests
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS) -L 'core|cli' --timeout 900

# The core, orvlog and their tests cross-built for 64-bit Windows with
# mingw-w64 and run under wine (a prefix of its own in $(WINB)/wine), then
# orvlog's round trip compared with the Linux build's.
test-windows: build
	$(CMAKE) -S . -B $(WINB) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_WITH_QT=OFF -DORV_BENCH=OFF \
	  -DORV_GTEST_SOURCE_DIR=/usr/src/googletest \
	  "-DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/env;ORV_WINEPREFIX=$(abspath $(WINB))/wine;$(abspath scripts/wine-run.sh)"
	$(CMAKE) --build $(WINB) -j$(JOBS) --target orvlog orv_core_tests orvlog_tests orv_library_tests
	ORV_WINEPREFIX=$(abspath $(WINB))/wine bash scripts/wine-run.sh cmd /c exit
	cd $(WINB) && ctest --output-on-failure -j$(JOBS) --timeout 600
	bash scripts/windows-roundtrip.sh $(BUILD) $(WINB)

# The Debian package of the release build: build/rel/orv_VERSION_ARCH.deb.
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	bash bench/run.sh $(BUILD)

fuzz: deps
	CXX=clang++ $(CMAKE) -S . -B $(FUZZB) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORV_FUZZ=ON -DORV_WITH_QT=OFF -DORV_BENCH=OFF -DORV_TESTS=OFF
	$(CMAKE) --build $(FUZZB) -j$(JOBS)
	bash fuzz/run.sh $(FUZZB) 60

run: build
	bash scripts/run.sh $(BUILD)

clean:
	rm -rf build
