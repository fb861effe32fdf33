# The two ways in: `make run` builds and plays the demo, `make test` builds and runs every test.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: run test build deps clean fuzz

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

# The model reader under libFuzzer and the address sanitizer, for FUZZ_SECONDS (default 60).
FUZZ_SECONDS ?= 60
fuzz: deps
	@if [ ! -f build-fuzz/build.ninja ]; then \
	  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address"; \
	fi
	cmake --build build-fuzz --target tvk-load-fuzzer
	mkdir -p build-fuzz/tvk-corpus
	./build-fuzz/tvk-load-fuzzer -max_total_time=$(FUZZ_SECONDS) build-fuzz/tvk-corpus

clean:
	rm -rf $(BUILD_DIR)
