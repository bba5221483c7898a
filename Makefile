# The two commands of the kit: `make test` and `make demo`. Both install what they need.
BUILD_DIR ?= build
JOBS ?= 2
CTEST_ARGS ?=

.PHONY: all deps configure build test demo bench clean

all: build

deps:
	@sh scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) -- --no-print-directory

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure $(CTEST_ARGS)

demo: build
	@sh scripts/demo.sh $(BUILD_DIR)

bench: build
	@sh scripts/run-in-prefix.sh $(BUILD_DIR) bench_request_cost.exe

clean:
	rm -rf $(BUILD_DIR)
