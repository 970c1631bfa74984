# Front door: `make test` installs what is missing, builds and runs every test.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build test test-asan run data bench clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: deps
	@cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DGRAVLET_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_ASAN) -j$(JOBS)
	@cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS)

bench: deps
	@cmake -S . -B $(BUILD) -DGRAVLET_BENCH=ON >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
