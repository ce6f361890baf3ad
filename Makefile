# HoralSvc: `make` builds build/HoralSvc.exe; `make test` sets up, builds and runs every test.
BUILD      := build
TOOLCHAIN  := $(CURDIR)/cmake/toolchain-mingw32.cmake
CTEST_JOBS ?= 2
# The tests run the shipped 32-bit code: the test programs are built for i686
# in build/i686 and the journeys run build/HoralSvc.exe, natively or emulated
# (scripts/isolated). HORAL_TEST_ARCH=x86_64 runs the x86_64 build of
# build/x86_64 instead, for a machine where 32-bit code cannot run at all.
HORAL_TEST_ARCH ?= i686
export HORAL_TEST_ARCH
TESTBUILD  := $(BUILD)/$(HORAL_TEST_ARCH)
CHECKBUILD := $(BUILD)/x86_64
ifeq ($(HORAL_TEST_ARCH),i686)
IMAGE      := $(BUILD)/HoralSvc.exe
else
IMAGE      := $(TESTBUILD)/HoralSvc.exe
endif

.PHONY: all bootstrap test demo bench soak run clean FORCE

all: $(BUILD)/HoralSvc.exe

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DHORAL_ARCH=i686

$(BUILD)/HoralSvc.exe: $(BUILD)/build.ninja FORCE
	cmake --build $(BUILD)

# The test builds: the same sources with the test programs and the tools, for
# i686 (run by the tests) and for x86_64 (only compiled: the code stays
# pointer-size clean).
$(BUILD)/%/build.ninja: | bootstrap
	cmake -S . -B $(BUILD)/$* -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DHORAL_ARCH=$* -DHORAL_TESTS=ON \
	  -DHORAL_PRODUCT_EXE=$(CURDIR)/$(BUILD)/HoralSvc.exe

# Building stays outside scripts/isolated (the first configure fetches PCRE's
# sources); the tests, the demo, the bench and the soak run inside it.
test: bootstrap $(BUILD)/HoralSvc.exe $(TESTBUILD)/build.ninja $(CHECKBUILD)/build.ninja
	cmake --build $(TESTBUILD)
	cmake --build $(CHECKBUILD)
	scripts/isolated scripts/wine-image $(IMAGE) -- \
	  ctest --test-dir $(TESTBUILD) --output-on-failure -j $(CTEST_JOBS)

demo: bootstrap $(BUILD)/HoralSvc.exe $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD)
	scripts/isolated python3 tools/demo.py $(TESTBUILD) $(IMAGE)

clean:
	rm -rf $(BUILD)

FORCE:

# Timing of the typed-data readers (lookup cache, date patterns) and of sorting
# typed lists of 1,000 and 10,000 records in a real list view, run under Wine
# and Xvfb like the tests; then how close the clock gets to loopback servers
# with fractional offsets, 24 cycles. The figures go to standard output.
PRECISION_SERVERS := 127.0.3.10=offset:3600.3 127.0.3.11=offset:-1799.7 127.0.3.12=offset:0.15 127.0.3.13=offset:-0.45
bench: bootstrap $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD) --target data_bench precision_bench
	scripts/isolated scripts/test-fixture with $(TESTBUILD) scripts/wine-run $(TESTBUILD)/tools/bench/data_bench.exe
	scripts/isolated scripts/test-fixture with $(TESTBUILD) python3 tests/e2e/timeserver.py $(PRECISION_SERVERS) -- \
	  scripts/wine-run $(TESTBUILD)/tools/bench/precision_bench.exe --cycles 24

# The soak: 10,000 synchronisation cycles against loopback time servers (one
# refusing, one closing early, one sending extra bytes, one answering), 500
# times the same two dialogs shown bare (Wine's own growth) and 500 times the
# configuration dialog and a sorted typed list, all in one process; prints its
# kernel handles, private bytes, GDI and USER objects before and after, and how
# the program's dialogs grow beyond the bare ones. Its short run is the
# soak_short test.
SOAK_SERVERS := 127.0.3.2=close:1 127.0.3.3=extra:136056704 127.0.3.4=offset:0
soak: bootstrap $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD) --target horal_soak
	scripts/isolated scripts/test-fixture with $(TESTBUILD) python3 tests/e2e/timeserver.py $(SOAK_SERVERS) -- \
	  scripts/wine-run $(TESTBUILD)/tools/soak/horal_soak.exe --cycles 10000 --dialogs 500

# The configuration dialog for real on this machine's display, in the
# project's own Wine prefix; ARGS are passed on (`make run ARGS=-u`).
run: bootstrap $(BUILD)/HoralSvc.exe $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD) --target HoralSvc
	scripts/isolated --machine python3 tools/run.py $(TESTBUILD) $(IMAGE) $(ARGS)
