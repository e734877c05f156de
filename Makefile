# Set-up, build and test in one place. `make test` is what CI runs.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
VST3_DIR   ?= $(HOME)/.vst3
CMAKE_ARGS ?=

.PHONY: all deps build test test-sanitize test-tsan bench demo install format clean

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

# Processing against concurrent saves and loads, under ThreadSanitizer: only the
# bundle and that test are built.
TSAN_ENV = TSAN_OPTIONS=halt_on_error=1
test-tsan: deps $(TSAN_BUILD)/CMakeCache.txt
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target plugin_threads_test
	cd $(TSAN_BUILD) && $(TSAN_ENV) ctest --output-on-failure -j $(JOBS) -R '^HostileThreads\.'

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

demo: build
	bash scripts/demo $(BUILD)

install: build
	mkdir -p $(VST3_DIR)
	rm -rf $(VST3_DIR)/VOSK.vst3
	cp -r $(BUILD)/VOSK.vst3 $(VST3_DIR)/

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) out
