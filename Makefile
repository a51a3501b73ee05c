# Front door over the CMake presets. Every target runs the set-up first, which returns at once
# when the machine already has everything.
JOBS ?= $(shell nproc)
WINE_ENV := testing/wine/wine-env.sh
FUZZ_SECONDS ?= 20

.PHONY: setup build host host-asan win32 win64 fuzz-build test test-host test-asan test-win32 test-win64 run bench fuzz clean

setup:
	@scripts/setup.sh

host: setup
	@cmake --preset host -Wno-dev >/dev/null
	@cmake --build --preset host -j $(JOBS)

host-asan: setup
	@cmake --preset host-asan -Wno-dev >/dev/null
	@cmake --build --preset host-asan -j $(JOBS)

# The 32-bit deliverables (build/win32/bin).
win32: setup
	@cmake --preset win32 -Wno-dev >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

# The same sources for 64-bit Windows: its tests and the demo run under 64-bit Wine on every machine.
win64: setup
	@cmake --preset win64 -Wno-dev >/dev/null
	@cmake --build --preset win64 -j $(JOBS)

build: host win32 win64

test-host: host
	ctest --preset host -j $(JOBS)

test-asan: host-asan
	ctest --preset host-asan -j $(JOBS)

# The shipped 32-bit programs and their tests under 32-bit Wine (a machine that runs 32-bit code).
test-win32: win32
	@$(WINE_ENV) win32 start
	ctest --preset win32 -j $(JOBS); rc=$$?; $(WINE_ENV) win32 stop; exit $$rc

test-win64: win64
	@$(WINE_ENV) win64 start
	ctest --preset win64 -j $(JOBS); rc=$$?; $(WINE_ENV) win64 stop; exit $$rc

# Every test: host, sanitizers, the 32-bit Windows tests where this machine can run them (else
# the 32-bit build and one line saying why its tests were skipped), then the 64-bit Windows
# tests. All run; any failure fails.
test:
	@rc=0; \
	$(MAKE) --no-print-directory test-host || rc=1; \
	$(MAKE) --no-print-directory test-asan || rc=1; \
	if why=$$(scripts/probe-32bit.sh); then \
	  $(MAKE) --no-print-directory test-win32 || rc=1; \
	else \
	  $(MAKE) --no-print-directory win32 || rc=1; \
	  echo "make test: 32-bit Windows tests skipped: $$why"; \
	fi; \
	$(MAKE) --no-print-directory test-win64 || rc=1; \
	exit $$rc

run: win64
	@scripts/run-main-job.sh

# Host benchmarks, then the window layer's under Wine.
bench: host win64
	@scripts/run-benchmarks.sh build/host
	@$(WINE_ENV) start; scripts/run-benchmarks.sh build/win64; rc=$$?; $(WINE_ENV) stop; exit $$rc

fuzz-build: setup
	@cmake --preset fuzz -Wno-dev >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

fuzz: fuzz-build
	@scripts/run-fuzzers.sh build/fuzz $(FUZZ_SECONDS)

clean:
	-@$(WINE_ENV) win32 stop
	-@$(WINE_ENV) win64 stop
	rm -rf build
