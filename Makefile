# The two commands of the kit: `make test` and `make demo`. Both install what they need.
BUILD_DIR ?= build
JOBS ?= 2
CTEST_ARGS ?=

.PHONY: all deps configure build host-test test demo bench dist clean

all: build

deps:
	@sh scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) -- --no-print-directory

# The port driver's core on the Linux host, under the sanitizers and libFuzzer (clang; with only
# g++ the fuzzers are left out). A failure here fails `make test`.
# The compiler is chosen after deps has run, so that a fresh machine gets clang.
host-test: deps
	@cxx=$${HOST_CXX:-$$(command -v clang++ || command -v g++)}; \
	  CXX=$$cxx ASM=$$cxx cmake -S krdrv/host -B $(BUILD_DIR)/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR)/host -j $(JOBS) -- --no-print-directory
	@cd $(BUILD_DIR)/host && ctest --output-on-failure
	@grep -h '^figure:' $(BUILD_DIR)/host/Testing/Temporary/LastTest.log || true

# The figures the tests measure are printed again at the end, from the full log.
test: host-test build
	@cd $(BUILD_DIR) && status=0; ctest --output-on-failure $(CTEST_ARGS) || status=$$?; \
	  grep -h '^figure:' Testing/Temporary/LastTest.log || true; exit $$status

demo: build
	@sh scripts/demo.sh $(BUILD_DIR)

# The kit's costs in one table: requests on both roads, ktray's start-up and idle cost, the
# release binaries' sizes (their release build is brought up to date first).
bench: build
	@sh scripts/bench.sh $(BUILD_DIR)

# The release: an optimised, stripped build in $(BUILD_DIR)-release, packed into dist/ (the kit's
# ZIP, the simulator's ZIP and the installer), each binary checked against its size budget.
dist: deps
	@sh scripts/dist.sh $(BUILD_DIR)-release

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-release dist
