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

# The port driver's core and ktray's decisions on the Linux host, under the sanitizers (clang,
# with libFuzzer for the driver; with only g++ the fuzzers are left out). A failure here fails
# `make test`. The compiler is chosen after deps has run, so that a fresh machine gets clang.
HOST_PROJECTS = krdrv/host:host ktray/host:host-ktray
host-test: deps
	@cxx=$${HOST_CXX:-$$(command -v clang++ || command -v g++)}; status=0; \
	  for project in $(HOST_PROJECTS); do \
	    src=$${project%%:*}; out=$(BUILD_DIR)/$${project##*:}; \
	    CXX=$$cxx ASM=$$cxx cmake -S $$src -B $$out -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && \
	    cmake --build $$out -j $(JOBS) -- --no-print-directory && \
	    (cd $$out && ctest --output-on-failure) || status=1; \
	  done; \
	  for project in $(HOST_PROJECTS); do \
	    grep -h '^figure:' $(BUILD_DIR)/$${project##*:}/Testing/Temporary/LastTest.log 2>/dev/null; \
	  done; exit $$status

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
