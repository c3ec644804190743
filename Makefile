# The two commands of a fresh machine: `make run` and `make test`. Both install what is
# missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
# ON in continuous integration: any compiler warning fails the build.
WERROR ?= OFF
# `make CCACHE=ccache ...` compiles through ccache. Not by default: gcc 12 crashed (internal
# compiler error) on precompiled headers that ccache handed over from a build in another
# directory.
CCACHE ?=
LAUNCHER = $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE),-UCMAKE_CXX_COMPILER_LAUNCHER -UCMAKE_C_COMPILER_LAUNCHER)

.PHONY: all deps configure build run test sanitize fuzz bench format format-check tidy install \
	uninstall package lintian clean

all: build

deps:
	@scripts/install-deps

# RelWithDebInfo keeps line tables only (-g1): backtraces name functions and lines, and a
# fresh build takes a fifth less time than with full debug information (`make
# BUILD_TYPE=Debug` for a debugger's view of variables).
configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
		-DBRIVANTA_WERROR=$(WERROR) $(LAUNCHER) >/dev/null

# Everything `make test` and `make install` need; not the benchmarks or the screenshot tool.
build: configure
	@cmake --build $(BUILD_DIR)

# Builds only the desktop program and its program directory, then starts it.
run: configure
	@cmake --build $(BUILD_DIR) --target brivanta
	@$(BUILD_DIR)/bin/brivanta

test: build
	@scripts/run-tests $(BUILD_DIR)

# The core and its tests again with AddressSanitizer and UndefinedBehaviorSanitizer,
# with assertions and line tables only, unoptimised (-O0 halves the build under the
# sanitizers, and the tests still run in about a minute).
sanitize: deps
	@cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" -DBRIVANTA_SANITIZE=ON \
		-DBRIVANTA_CORE_ONLY=ON $(LAUNCHER) >/dev/null
	@cmake --build build-sanitize
	@scripts/run-sanitized-tests build-sanitize

# Every fuzz target for FUZZ_SECONDS (default 60) each, as many at once as there are
# processors; fails on a crash. FUZZ_OPT=-O0 builds a third faster for a short smoke run (CI).
FUZZ_OPT ?= -O1
FUZZ_SECONDS ?= 60
fuzz: deps
	@CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$(FUZZ_OPT) -gline-tables-only" \
		-DBRIVANTA_FUZZ=ON -DBRIVANTA_CORE_ONLY=ON $(LAUNCHER) >/dev/null
	@cmake --build build-fuzz
	@scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

# PREFIX (default /usr/local) and DESTDIR as usual.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Removes what `make install` installed (listed, without DESTDIR, in
# $(BUILD_DIR)/install_manifest.txt), then the program's own directories (share/brivanta,
# share/doc/brivanta) when they are left empty. Give the same DESTDIR as to the install.
uninstall:
	@test -f $(BUILD_DIR)/install_manifest.txt || \
		{ echo "uninstall: no $(BUILD_DIR)/install_manifest.txt: nothing was installed from $(BUILD_DIR)" >&2; exit 1; }
	@sed 's%^%$(DESTDIR)%' $(BUILD_DIR)/install_manifest.txt | xargs -d '\n' rm -f --
	@for d in $$(sed -n 's%/share/\(doc/\)\{0,1\}brivanta/.*%/share/\1brivanta%p' $(BUILD_DIR)/install_manifest.txt | sort -u); do \
		find "$(DESTDIR)$$d" -depth -type d -empty -delete 2>/dev/null || true; done
	@echo "uninstall: removed the $$(grep -c . $(BUILD_DIR)/install_manifest.txt) files of $(BUILD_DIR)/install_manifest.txt"

# The Debian package $(BUILD_DIR)/brivanta_<version>_<arch>.deb: the programs (built with
# Debian's hardening flags, see CMakeLists.txt) stripped, and their files.
package: build
	@rm -f $(BUILD_DIR)/brivanta_*.deb
	@cd $(BUILD_DIR) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD_DIR)/brivanta_*.deb

# Debian's package checks; any error or warning fails (the justified ones are overridden in
# resources/debian/lintian-overrides, which the package carries).
lintian: package
	@lintian --fail-on error,warning --display-info $(BUILD_DIR)/brivanta_*.deb

bench: configure
	@cmake --build $(BUILD_DIR) --target benchmarks
	@scripts/run-benchmarks $(BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	@scripts/check-format

# clang-tidy's bug, performance and static analyser checks over every source file of the
# build tree.
tidy: build
	@scripts/run-clang-tidy $(BUILD_DIR)

clean:
	@rm -rf $(BUILD_DIR) build-sanitize build-fuzz
