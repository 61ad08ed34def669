# The commands: `make run`, `make test` and `make bench`. Each installs what is missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
JOBS ?= 2
# CI treats warnings as errors; a developer's build only shows them.
WERROR ?= $(if $(CI),ON,OFF)

CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DRAVELIN_WERROR=$(WERROR)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run-app $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Filtering speed against sox, and the block operation alone (see scripts/bench).
bench: build
	@scripts/bench $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
