# HoralSvc: `make` builds build/HoralSvc.exe; `make test` sets up, builds and runs every test.
BUILD      := build
TESTBUILD  := $(BUILD)/win64
TOOLCHAIN  := $(CURDIR)/cmake/toolchain-mingw32.cmake
CTEST_JOBS ?= 2

.PHONY: all bootstrap configure test demo clean FORCE

all: $(BUILD)/HoralSvc.exe

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DHORAL_ARCH=i686

$(BUILD)/HoralSvc.exe: $(BUILD)/build.ninja FORCE
	cmake --build $(BUILD)

# Wine here runs 64-bit Windows code only, so the tests run the same sources
# built for x86_64; the product executable is the 32-bit one above.
$(TESTBUILD)/build.ninja: | bootstrap
	cmake -S . -B $(TESTBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DHORAL_ARCH=x86_64 -DHORAL_TESTS=ON \
	  -DHORAL_PRODUCT_EXE=$(CURDIR)/$(BUILD)/HoralSvc.exe

test: bootstrap $(BUILD)/HoralSvc.exe $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD)
	ctest --test-dir $(TESTBUILD) --output-on-failure -j $(CTEST_JOBS)

demo: bootstrap $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD)
	python3 tools/demo.py $(TESTBUILD)

clean:
	rm -rf $(BUILD)

FORCE:

# Timing of the typed-data readers (lookup cache, date patterns), run under
# Wine like the tests; the figures go to standard output.
.PHONY: bench
bench: bootstrap $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD) --target data_bench
	scripts/test-fixture wine-up $(TESTBUILD)
	HORAL_BUILD=$(CURDIR)/$(TESTBUILD) scripts/wine-run $(TESTBUILD)/tests/data/bench/data_bench.exe; \
	  status=$$?; scripts/test-fixture wine-down $(TESTBUILD); exit $$status

# The configuration dialog for real on this machine's display, in the
# project's own Wine prefix; ARGS are passed on (`make run ARGS=-u`).
.PHONY: run
run: bootstrap $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD) --target HoralSvc svcctl
	python3 tools/run.py $(TESTBUILD) $(ARGS)
