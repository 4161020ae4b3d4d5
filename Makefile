# Front door of the build: `make run` starts the editor, `make test` builds and runs every test. Both first
# install the Debian packages that are missing (scripts/install-deps, through sudo when not root).
JOBS ?= $(shell nproc)
BUILD ?= build
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 300

.PHONY: all deps run test install bench asan fuzz format clean

all: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

deps:
	@scripts/install-deps

# The packages come first, also under make -j: the build needs them.
run: deps
	@$(MAKE) --no-print-directory $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target pixora
	$(BUILD)/app/pixora

test: deps
	@$(MAKE) --no-print-directory all
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Installs under PREFIX (default /usr/local); DESTDIR stages the files elsewhere, as packagers do.
PREFIX ?= /usr/local
install: all
	cmake --install $(BUILD) --prefix $(PREFIX)
	@echo "Pixora's interface is Japanese: it needs a font with Japanese characters, such as Debian's package fonts-ipafont-gothic."

bench: build-release/build.ninja
	cmake --build build-release -j $(JOBS) --target pixora_bench
	build-release/bench/pixora_bench

build-release/build.ninja:
	cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release

asan: build-asan/build.ninja
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
		ctest --test-dir build-asan --output-on-failure -j $(JOBS)

build-asan/build.ninja:
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPIXORA_SANITIZE=ON -DPIXORA_BENCH=OFF

# Runs every fuzz target for FUZZ_SECONDS under AddressSanitizer; new crashes land in fuzz/crashes.
fuzz: build-fuzz/build.ninja
	cmake --build build-fuzz -j $(JOBS)
	scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

build-fuzz/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPIXORA_SANITIZE=ON -DPIXORA_FUZZ=ON -DPIXORA_BENCH=OFF

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-release build-asan build-fuzz
