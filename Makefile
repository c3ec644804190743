# The two commands of a fresh machine: `make run` and `make test`. Both install what is
# missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
# ON in continuous integration: any compiler warning fails the build.
WERROR ?= OFF

.PHONY: all deps configure build run test sanitize fuzz bench format format-check tidy install package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DBRIVANTA_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	@if [ -x $(BUILD_DIR)/bin/brivanta ]; then $(BUILD_DIR)/bin/brivanta; \
	else $(BUILD_DIR)/bin/brivanta-cli --help; fi

test: build
	@scripts/run-tests $(BUILD_DIR)

# The core and its tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	@cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIVANTA_SANITIZE=ON \
		-DBRIVANTA_CORE_ONLY=ON >/dev/null
	@cmake --build build-sanitize
	@ctest --test-dir build-sanitize --output-on-failure -j2 -L core

# Every fuzz target for FUZZ_SECONDS (default 60) each; fails on a crash.
FUZZ_SECONDS ?= 60
fuzz: deps
	@CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DBRIVANTA_FUZZ=ON -DBRIVANTA_CORE_ONLY=ON >/dev/null
	@cmake --build build-fuzz
	@scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

# PREFIX (default /usr/local) and DESTDIR as usual.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package build/brivanta_<version>_<arch>.deb.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD_DIR)/brivanta_*.deb

bench: build
	@scripts/run-benchmarks $(BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	@scripts/check-format

# clang-tidy's bug and performance checks over every source file of the build tree.
tidy: build
	@scripts/run-clang-tidy $(BUILD_DIR)

clean:
	@rm -rf $(BUILD_DIR) build-sanitize build-fuzz
