# Front door: `make test` installs what is missing, builds and runs every test.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_WIN  ?= build-win
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build test test-asan run data bench fuzz soak clean windows windows-dist

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The Linux tests, then the Windows build's under Wine; the Wine end-to-end
# runs take their data set from the Linux build's writer.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory windows WINDOWS_E2E_DATA=$(CURDIR)/$(BUILD)/tests/gravlet-e2e-data
	@cd $(BUILD_WIN) && ctest --output-on-failure -j$(JOBS)

test-asan: deps
	@cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DGRAVLET_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_ASAN) -j$(JOBS)
	@cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS)

bench: deps
	@cmake -S . -B $(BUILD) -DGRAVLET_BENCH=ON >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# Starts the demo from the repository root, where data/ lives. data/ is
# (re)generated when absent or older than the generator.
GRAVLET_DATA = $(BUILD)/tools/data/gravlet-data
run: build
	@if [ -x $(GRAVLET_DATA) ]; then \
	  if [ ! -d data ] || [ -n "$$(find $(GRAVLET_DATA) -newer data 2>/dev/null)" ]; then \
	    echo "run: generating data/ with gravlet-data"; \
	    $(GRAVLET_DATA) generate . || exit 1; \
	  fi; \
	elif [ ! -d data ]; then \
	  echo "run: data/ is missing and the data generator (gravlet-data) is not built yet;"; \
	  echo "run: gravlet needs data/ at the repository root (textures, nine .3ds models, data/music/vopa.mp3)."; \
	  exit 1; \
	fi
	@$(BUILD)/shell/main/gravlet

# Longer fuzzing than the short pass `make test` runs: FUZZ_SECONDS per reader.
FUZZ_SECONDS ?= 600
fuzz: build
	@GRAVLET_DATA=$(CURDIR)/$(GRAVLET_DATA) fuzz/run.sh $(FUZZ_SECONDS)

# One full run of the demo under Xvfb, resident memory sampled as it plays.
soak: build
	@scripts/soak $(BUILD)

# gravlet.exe, cross-built with mingw-w64: $(BUILD_WIN)/shell/main/gravlet.exe.
windows: deps
	@cmake -S . -B $(BUILD_WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	  -DCMAKE_BUILD_TYPE=Release $(if $(WINDOWS_E2E_DATA),-DGRAVLET_E2E_DATA=$(WINDOWS_E2E_DATA)) >/dev/null
	@cmake --build $(BUILD_WIN) -j$(JOBS)

# A download for Windows users: gravlet/ with gravlet.exe, a generated data/
# and README.txt, zipped into $(BUILD_WIN)/gravlet-windows.zip.
WINDOWS_DIST = $(BUILD_WIN)/dist
windows-dist: windows configure
	@cmake --build $(BUILD) --target gravlet-data -j$(JOBS)
	@rm -rf $(WINDOWS_DIST) $(BUILD_WIN)/gravlet-windows.zip && mkdir -p $(WINDOWS_DIST)/gravlet
	@x86_64-w64-mingw32-strip -o $(WINDOWS_DIST)/gravlet/gravlet.exe $(BUILD_WIN)/shell/main/gravlet.exe
	@$(GRAVLET_DATA) generate $(WINDOWS_DIST)/gravlet >/dev/null
	@sed 's/$$/\r/' platform/win32/README.txt >$(WINDOWS_DIST)/gravlet/README.txt
	@cd $(WINDOWS_DIST) && zip -q -r -9 ../gravlet-windows.zip gravlet
	@echo "windows-dist: $(BUILD_WIN)/gravlet-windows.zip"

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_WIN) build-fuzz
