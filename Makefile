# The two ways in: `make run` builds and plays the demo, `make test` builds and runs every test.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: run test build deps clean

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

clean:
	rm -rf $(BUILD_DIR)
