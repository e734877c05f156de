# Set-up, build and test in one place. `make test` is what CI runs.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
JOBS       ?= $(shell nproc)
VST3_DIR   ?= $(HOME)/.vst3
CMAKE_ARGS ?=

.PHONY: all deps build test test-sanitize bench demo install format clean

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

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

demo: build
	bash scripts/demo $(BUILD)

# The command goes to PREFIX/bin, or ~/.local/bin; it finds the bundle in VST3_DIR.
BIN_DIR = $(if $(PREFIX),$(PREFIX)/bin,$(HOME)/.local/bin)
install: build
	mkdir -p $(VST3_DIR)
	rm -rf $(VST3_DIR)/VOSK.vst3
	cp -r $(BUILD)/VOSK.vst3 $(VST3_DIR)/
	mkdir -p $(BIN_DIR)
	cp $(BUILD)/vosk $(BIN_DIR)/

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) out
