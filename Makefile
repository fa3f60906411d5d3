# make run:  set up, build, run the main job.   make test: set up, build, run every test.
BUILD     ?= build
ASAN      ?= build-asan
TSAN      ?= build-tsan
FUZZ      ?= build-fuzz
# How long `make fuzz` runs each harness.
FUZZ_SECONDS ?= 20
JOBS      ?= $(shell nproc)
CMAKE_ARGS ?=
# Let ccache reuse objects across clones of the tree (CI builds a fresh clone each time).
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
# CI turns warnings into errors; so can anyone: make test WERROR=ON
WERROR    ?= $(if $(CI),ON,OFF)
# The main job reads the sample page aloud for this long; `make run RUN_ARGS=` reads all of it.
RUN_ARGS  ?= --stop-after 20
# A test that runs longer than this (seconds) has hung: it fails instead of holding up the run.
TEST_TIMEOUT ?= 300

.PHONY: deps configure build run test sanitize tsan fuzz bench clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVAK_WERROR=$(WERROR) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-sample $(BUILD)/bin/orvak-dev resources/samples/article.scene.json $(RUN_ARGS)

test: build
	@cd $(BUILD) && ctest --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS)

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer (leaks that system
# libraries keep to themselves are listed in tests/lsan.supp). The Chromium group is left to
# `make test`: it waits on a real browser within real-time limits the slower build misses.
sanitize: deps
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVAK_WERROR=$(WERROR) -DORVAK_SANITIZE=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(ASAN) -j $(JOBS) --target sanitize_tests
	@cd $(ASAN) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS) -E '^desktop\.Chromium$$'

# The tests of the Qt-free libraries (label "tsan") under ThreadSanitizer: Qt itself is not
# instrumented, so what runs on its threads would only report noise; what PulseAudio's own threads
# do among themselves is left out in tests/tsan.supp.
tsan: deps
	@cmake -S . -B $(TSAN) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVAK_WERROR=$(WERROR) -DORVAK_TSAN=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(TSAN) -j $(JOBS) --target tsan_tests
	@cd $(TSAN) && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp $(TSAN_OPTIONS)" ctest --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS) -L tsan

# The libFuzzer harnesses in fuzz/, built with clang and the sanitizers, each run for FUZZ_SECONDS.
fuzz: deps
	@cmake -S . -B $(FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORVAK_WERROR=$(WERROR) -DORVAK_FUZZ=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(FUZZ) -j $(JOBS) --target fuzzers
	@scripts/fuzz $(FUZZ)/bin $(FUZZ_SECONDS)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target orvak_bench orvak_views_bench
	@scripts/with-desktop $(BUILD)/bin/orvak_bench
	@$(BUILD)/bin/orvak_views_bench

clean:
	rm -rf $(BUILD) $(ASAN) $(TSAN) $(FUZZ)
