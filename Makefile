# The commands a newcomer needs: `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: deps configure build test run bench fuzz format clean screenshots install package mutants test-share

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2

run: build
	$(BUILD_DIR)/src/app/tessary $(ARGS)

# The window's main states and the detail pane's pages as PNG files under
# $(BUILD_DIR)/screenshots.
screenshots: configure
	cmake --build $(BUILD_DIR) --target window_screenshots detail_screenshots
	$(BUILD_DIR)/tools/screenshots/window_screenshots $(BUILD_DIR)/screenshots
	$(BUILD_DIR)/tools/screenshots/detail_screenshots $(BUILD_DIR)/screenshots

# The program and what comes with it (desktop entry, icons, metainfo, man page,
# completions, systemd user unit) under PREFIX (default /usr/local).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package of a release build, $(PACKAGE_DIR)/tessary_VERSION_ARCH.deb,
# compiled with the flags Debian builds its own packages with (hardening included).
PACKAGE_DIR ?= build-package
package: deps
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(PACKAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
		-DTESSARY_BUILD_TESTS=OFF -DTESSARY_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_DIR) --target package

# Puts each deliberate fault of tests/mutants.txt into the sources in turn and
# reports those no test catches (NAMES=... runs only those).
mutants: build
	python3 scripts/mutants.py --build-dir $(BUILD_DIR) $(NAMES)

# The tests' share of all C++ lines; fails above a third.
test-share:
	@./scripts/test-share.sh

bench: build
	cmake --build $(BUILD_DIR) --target bench

# Each fuzz target for FUZZ_SECONDS (default 60), with clang and libFuzzer.
FUZZ_SECONDS ?= 60
fuzz:
	./scripts/install-deps.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARY_FUZZ=ON -DTESSARY_BUILD_BENCHMARKS=OFF
	cmake --build build-fuzz --target fuzz_data_files fuzz_registry_answers fuzz_control_messages
	mkdir -p build-fuzz/corpus/data build-fuzz/corpus/registry build-fuzz/corpus/control
	build-fuzz/tests/fuzz/fuzz_data_files -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/data tests/data
	build-fuzz/tests/fuzz/fuzz_registry_answers -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/registry tests/data/rdap
	build-fuzz/tests/fuzz/fuzz_control_messages -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus/control tests/data/fuzz

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
