# The two ways in: `make run` builds and plays the demo, `make test` builds and runs every test.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: run test build deps clean fuzz sanitize

run: build
	cd $(BUILD_DIR) && ./korvel

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure --no-tests=error

build: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE); \
	fi
	cmake --build $(BUILD_DIR)

deps:
	@./scripts/install-deps

# The model reader and the shader-file parser under libFuzzer and the address sanitizer,
# FUZZ_SECONDS each (default 60). New inputs land in build-fuzz/*-corpus; the seeds stay.
FUZZ_SECONDS ?= 60
fuzz: deps
	@if [ ! -f build-fuzz/build.ninja ]; then \
	  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address"; \
	fi
	cmake --build build-fuzz --target tvk-load-fuzzer fx-parse-fuzzer
	mkdir -p build-fuzz/tvk-corpus build-fuzz/fx-corpus
	./build-fuzz/tvk-load-fuzzer -max_total_time=$(FUZZ_SECONDS) build-fuzz/tvk-corpus
	./build-fuzz/fx-parse-fuzzer -max_total_time=$(FUZZ_SECONDS) build-fuzz/fx-corpus \
	  tests/fuzz/fx-corpus

# Every test under the address and undefined-behaviour sanitizers, in build-asan. Reports stop
# the run; the only suppressed leaks are the system libraries' own (scripts/lsan.supp). Mesa
# keeps no threads of its own here (rasteriser on the test's thread, no shader-cache thread):
# LeakSanitizer's stop-the-world tracer crashes now and then while such a thread is ending.
sanitize: deps
	@if [ ! -f build-asan/build.ninja ]; then \
	  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
	    -DCMAKE_C_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
	    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"; \
	fi
	cmake --build build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 SDL_VIDEODRIVER=dummy LP_NUM_THREADS=0 \
	  MESA_SHADER_CACHE_DISABLE=true \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --no-tests=error

clean:
	rm -rf $(BUILD_DIR)
