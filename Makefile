# The two ways in: `make run` builds and plays the demo, `make test` builds and runs every test.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: run test build deps clean fuzz sanitize soak ci

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

# The model reader, the shader-file parser, the TGA reader and the image loader with colour
# keys under libFuzzer and the address sanitizer, FUZZ_SECONDS each (default 60). Each starts
# from its seeds in tests/fuzz/ and the matching files of build/data/; new inputs land in
# build-fuzz/*-corpus. A crash stops the run with its input saved as build-fuzz/crash-*.
FUZZ_SECONDS ?= 60
FUZZERS = tvk-load-fuzzer fx-parse-fuzzer tga-load-fuzzer image-load-fuzzer
fuzz: build
	@if [ ! -f build-fuzz/build.ninja ]; then \
	  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address"; \
	fi
	cmake --build build-fuzz --target $(FUZZERS)
	mkdir -p build-fuzz/tvk-corpus build-fuzz/fx-corpus build-fuzz/tga-corpus \
	  build-fuzz/image-corpus build-fuzz/tvk-seeds build-fuzz/image-seeds
	cp $(BUILD_DIR)/data/models/*.tvk build-fuzz/tvk-seeds/
	cp $(BUILD_DIR)/data/*.tga $(BUILD_DIR)/data/*.bmp build-fuzz/image-seeds/
	cd build-fuzz && ./tvk-load-fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	  -artifact_prefix=./ tvk-corpus tvk-seeds
	cd build-fuzz && ./fx-parse-fuzzer -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=./ \
	  fx-corpus ../tests/fuzz/fx-corpus ../$(BUILD_DIR)/data/shaders
	cd build-fuzz && ./tga-load-fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	  -artifact_prefix=./ tga-corpus ../tests/fuzz/image-corpus image-seeds
	cd build-fuzz && ./image-load-fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	  -artifact_prefix=./ image-corpus ../tests/fuzz/image-corpus image-seeds

# Every test under the address and undefined-behaviour sanitizers, in build-asan, then the soak:
# the whole demo, first frame to last, captured into a film with a still in every scene window.
# Reports stop the run; the only suppressed leaks are the system libraries' own
# (scripts/lsan.supp). Mesa keeps no threads of its own here (rasteriser on the calling thread,
# no shader-cache thread): LeakSanitizer's stop-the-world tracer crashes now and then while
# such a thread is ending.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1 SDL_VIDEODRIVER=dummy LP_NUM_THREADS=0 \
  MESA_SHADER_CACHE_DISABLE=true LIBGL_ALWAYS_SOFTWARE=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
sanitize: deps
	@if [ ! -f build-asan/build.ninja ]; then \
	  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
	    -DCMAKE_C_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
	    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"; \
	fi
	cmake --build build-asan
	cd build-asan && $(SANITIZER_ENV) ctest --output-on-failure --no-tests=error
	$(MAKE) soak

# The whole demo under the sanitizers (build-asan must be built): about four minutes.
soak:
	mkdir -p build-asan/soak
	cd build-asan && $(SANITIZER_ENV) ./korvel-capture --size 160x120 --force \
	  -o soak/demo.mkv --png-at 5,12,20,38,47,57,66,84,95,103,110,122 --png-dir soak \
	  --contact-sheet soak/contact-sheet.png

# What CI runs: every test, then the sanitizer build with the soak, then every fuzzer for a
# minute.
ci: test sanitize fuzz

clean:
	rm -rf $(BUILD_DIR)
