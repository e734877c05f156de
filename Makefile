# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# Set-up, build and test in one place. `make test` is what CI runs.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
WIN_BUILD  ?= build-win
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
VST3_DIR   ?= $(HOME)/.vst3
CMAKE_ARGS ?=

.PHONY: all deps build test test-sanitize test-tsan windows windows-installer test-windows bench demo install deb format clean

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(SAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOSK_SANITIZE=ON -DVOSK_BENCH=OFF $(CMAKE_ARGS)

# Build-time generators run instrumented too, so the build gets the same options.
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps $(SAN_BUILD)/CMakeCache.txt
	$(SAN_ENV) cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(SAN_ENV) ctest --output-on-failure -j $(JOBS)

$(TSAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOSK_TSAN=ON -DVOSK_BENCH=OFF $(CMAKE_ARGS)

# Processing against concurrent saves and loads and the spectrum's hand-over, and
# the command's batch (its stages' threads, several plug-ins at once), under
# ThreadSanitizer: only the bundle, the command and those tests are built.
TSAN_ENV = TSAN_OPTIONS=halt_on_error=1
test-tsan: deps $(TSAN_BUILD)/CMakeCache.txt
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target plugin_threads_test plugin_spectrum_test vosk cli_test
	cd $(TSAN_BUILD) && $(TSAN_ENV) ctest --output-on-failure -j $(JOBS) -R '^HostileThreads\.|^Batch\.'

# Windows: the module cross-built with MinGW-w64, tested under Wine. The
# generators run on this machine: the native build makes them first, and the
# cross build, configured after that, imports them.
windows: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target vosk_artwork_gen vosk_uidesc_gen vosk_moduleinfo_gen
	test -f $(WIN_BUILD)/CMakeCache.txt || cmake -S . -B $(WIN_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVOSK_NATIVE_BUILD=$(CURDIR)/$(BUILD) $(CMAKE_ARGS)
	cmake --build $(WIN_BUILD) -j $(JOBS) --target VOSK

# dist/VOSK-<version>-win64-setup.exe (NSIS) and dist/VOSK-<version>-win64.zip:
# the Windows bundle and the factory presets, which the native build writes.
windows-installer: windows
	cmake --build $(BUILD) -j $(JOBS) --target vosk_presets
	bash scripts/make-windows-installer $(WIN_BUILD) $(BUILD) dist

# Wine runs in a prefix of its own. Its server and boot helpers are started
# detached first: they inherit the output of whatever starts them, and under
# ctest each test would otherwise wait for them.
WINE_ENV = WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

test-windows: build windows
	cmake --build $(WIN_BUILD) -j $(JOBS)
	$(WINE_ENV) bash scripts/wine-session start
	cd $(WIN_BUILD) && DISPLAY=$$($(WINE_ENV) bash $(CURDIR)/scripts/wine-session display) \
		$(WINE_ENV) ctest --output-on-failure -j $(JOBS); \
		status=$$?; cd $(CURDIR) && $(WINE_ENV) bash scripts/wine-session stop; exit $$status

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

demo: build
	bash scripts/demo $(BUILD)

# The command goes to PREFIX/bin, or ~/.local/bin; it finds the bundle in VST3_DIR.
# The factory presets go to the user's VST 3 preset folder, beside the user's own
# presets there, which stay. Only what is installed is built.
BIN_DIR = $(if $(PREFIX),$(PREFIX)/bin,$(HOME)/.local/bin)
VST3_PRESETS_DIR ?= $(HOME)/.vst3/presets
install: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target vosk vosk_presets
	mkdir -p $(VST3_DIR)
	rm -rf $(VST3_DIR)/VOSK.vst3
	cp -r $(BUILD)/VOSK.vst3 $(VST3_DIR)/
	mkdir -p $(VST3_PRESETS_DIR)
	cp -r $(BUILD)/presets/. $(VST3_PRESETS_DIR)/
	mkdir -p $(BIN_DIR)
	cp $(BUILD)/vosk $(BIN_DIR)/

# dist/vosk_<version>_amd64.deb: the bundle, the command, the factory presets
# and the documentation, installed where Debian and VST 3 hosts look.
deb: build
	bash scripts/make-deb $(BUILD) dist

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(WIN_BUILD) out dist
