# The commands: `make run`, `make test`, `make bench` and `make package` (a .deb in the
# build folder). Each installs what is missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
JOBS ?= 2
# Warnings are shown; `make test WERROR=ON` (as .ci/run does) treats them as errors.
WERROR ?= OFF

CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DRAVELIN_WERROR=$(WERROR)

.PHONY: all deps configure build run test bench fftw-wisdom package format format-check tidy clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run-app $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Filtering speed against sox, and the block operation alone (see scripts/bench).
bench: build
	@scripts/bench $(BUILD_DIR)

# Times FFTW's candidate plans for the FFT path's sizes on this machine (a few minutes;
# best on a quiet one) and keeps the fastest in src/engine/FftwWisdomMeasured.txt, which
# the build then uses on processors with the same instruction sets.
fftw-wisdom: build
	@$(BUILD_DIR)/src/engine/ravelin_make_fftw_wisdom --measure src/engine/FftwWisdomMeasured.txt

# ravelin_VERSION_ARCH.deb, installed with `sudo apt install ./build/ravelin_*.deb`.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

# The tree's C++ files against .clang-format: `format` rewrites them, `format-check`
# fails on the first difference without touching anything. Neither installs anything:
# `scripts/install-deps` brings clang-format.
FORMAT_FILES = git ls-files -z '*.cpp' '*.h' '*.inc' | xargs -0
CLANG_FORMAT = $(shell command -v clang-format)

format:
	@test -n "$(CLANG_FORMAT)" || { echo "make format: clang-format is missing (scripts/install-deps)"; exit 1; }
	@$(FORMAT_FILES) clang-format -i

format-check:
	@test -n "$(CLANG_FORMAT)" || { echo "make format-check: clang-format is missing (scripts/install-deps)"; exit 1; }
	@$(FORMAT_FILES) clang-format --dry-run --Werror

# The program's sources against .clang-tidy's checks, through the build's compile
# commands; any finding fails. `scripts/install-deps --lint` brings clang-tidy.
TIDY_FILES = git ls-files -z 'src/*.cpp' | xargs -0
tidy: configure
	@command -v run-clang-tidy >/dev/null || { echo "make tidy: clang-tidy is missing (scripts/install-deps --lint)"; exit 1; }
	@$(TIDY_FILES) run-clang-tidy -quiet -p $(BUILD_DIR) -j $(JOBS) >$(BUILD_DIR)/tidy.log 2>&1 || \
		{ grep -E -A3 'warning:|error:' $(BUILD_DIR)/tidy.log || tail -20 $(BUILD_DIR)/tidy.log; exit 1; }

clean:
	rm -rf $(BUILD_DIR)

# --- Hardening: fuzzing and the sanitizer build ---
# `make fuzz FUZZ_SECONDS=600` fuzzes each target that long, one after the other on one
# core, under AddressSanitizer and UndefinedBehaviorSanitizer (clang 14, its own folder).
# `make test-sanitize` builds the whole test suite with g++ under ASan + UBSan (leaks
# included) in its own folder and runs it.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
ASAN_DIR ?= build-asan
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0

.PHONY: fuzz fuzz-build fuzz-merge fuzz-seeds test-sanitize

fuzz-build:
	@scripts/install-deps --fuzz
	@CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DRAVELIN_BUILD_GUI=OFF -DRAVELIN_FUZZ=ON \
		"-DCMAKE_CXX_FLAGS=$(SANITIZE_FLAGS) -fsanitize=fuzzer-no-link" >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target ravelin-fuzz-wav-header ravelin-fuzz-file-run

fuzz: fuzz-build
	@scripts/fuzz $(FUZZ_DIR) $(FUZZ_SECONDS)

# Adds the inputs the last `make fuzz` found that reach new code to the committed corpus.
fuzz-merge: fuzz-build
	@scripts/fuzz --merge $(FUZZ_DIR)

fuzz-seeds:
	@scripts/make-fuzz-seeds

# -O1 -g1 keeps the build quick and the reports readable; asserts stay on (no NDEBUG).
test-sanitize: deps
	@cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		"-DCMAKE_CXX_FLAGS=$(SANITIZE_FLAGS)" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@$(SANITIZE_ENV) ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)
