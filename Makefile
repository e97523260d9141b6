# The two commands: `make run` shows the saver, `make test` runs every test.
.PHONY: run test test32 test32-smoke dist deb install uninstall docs windows linux sanitize fuzz bench soak clean

VERSION := $(shell grep -m1 '^project' CMakeLists.txt | grep -o 'VERSION [0-9.]*' | cut -d' ' -f2)

# The end-to-end tests run the 32-bit vidider.scr. Where this machine runs
# 32-bit code they run it natively; elsewhere they run its 64-bit twin
# natively and then the 32-bit build in an emulated PC (tools/vm32).
# E2E32=emulated takes the second way on any machine. Where the native run
# took the 32-bit build, CI (CI=true) runs only the emulated PC's own tests
# and its smoke set, so that the PC itself never goes untested.
E2E32 ?= auto
ifeq ($(E2E32),emulated)
E2E_ENV := VIDIDER_E2E_ARCH=win64
endif

run:
	@tools/deps.sh run
	$(MAKE) windows
	cmake --preset linux
	cmake --build --preset linux --target vidider-sim pbm_to_gif
	tools/run.sh

test:
	@tools/deps.sh test
	$(MAKE) windows linux sanitize
	$(MAKE) fuzz FUZZ_SECONDS=10
	@if [ "$(E2E32)" != emulated ] && tools/runs32bit.sh; then \
	  echo "this machine runs 32-bit code: the end-to-end tests above ran build/win32 natively"; \
	  if [ "$${CI:-}" = true ]; then \
	    echo "CI: the emulated PC's own tests and its smoke set on build/win32"; \
	    $(MAKE) test32-smoke; \
	  fi; \
	else \
	  $(MAKE) test32; \
	fi

# The emulated PC's own tests, then the end-to-end suite on the 32-bit build
# in it, whatever this machine runs; the first run prepares the PC under
# build/vm32 (minutes).
test32: windows
	cmake --preset linux
	cmake --build --preset linux --target vidider_e2e vidider-sim
	tests/vm32/vm32_test.sh
	tools/vm32/vm32 run --timeout 2400 -- ctest --test-dir build/linux -L e2e --output-on-failure

# The same PC's own tests, then only its smoke set: the PC boots, its Wine
# prefix is the prepared one with the tests' settings, and three end-to-end
# tests pass on build/win32 there, in one process: the motion against the
# Linux build's, the engine's unit tests as a Windows program (the x87 long
# double among them), and a key ending the saver.
SMOKE32 := Motion.IsTheSameUnderWindowsAsOnLinux Engine.UnitTestsPassAsAWindowsProgram \
  Saver.AnyKeyEndsItWithinASecondAndExitCodeZero
test32-smoke: windows
	cmake --preset linux
	cmake --build --preset linux --target vidider_e2e vidider-sim
	tests/vm32/vm32_test.sh
	tools/vm32/vm32 run --timeout 1200 -- tools/vm32/smoke $(SMOKE32)

# vidider.scr for 32-bit Windows, and its 64-bit twin for Wine on machines
# that cannot run 32-bit code.
windows:
	cmake --preset win32
	cmake --build --preset win32
	cmake --preset win64
	cmake --build --preset win64

# The installer is a 32-bit program: where the end-to-end tests run the
# 64-bit twin, its tests are left to the emulated PC.
linux:
	cmake --preset linux
	cmake --build --preset linux
	$(E2E_ENV) ctest --preset linux $$(if [ "$(E2E32)" = emulated ] || ! tools/runs32bit.sh; then echo "-E ^Installer\\."; fi)

sanitize:
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

# The parsers of outside text under libFuzzer (tests/fuzz): each target for
# FUZZ_SECONDS from its seed folder, two at a time; what they learn and any
# crashing input stay under build/fuzz/runs. `make test` gives each 10 s.
FUZZ_SECONDS ?= 60
fuzz:
	@tools/deps.sh fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	VIDIDER_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --preset fuzz

bench:
	$(MAKE) windows
	cmake --preset linux
	cmake --build --preset linux --target vidider_bench vidider_saver_cpu vidider_frame_pace vidider_x11_cpu \
	  vidider_fill_cpu vidider_wayland_cpu
	build/linux/bench/vidider_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_min_time=0.5
	build/linux/bench/vidider_saver_cpu
	build/linux/bench/vidider_frame_pace
	build/linux/bench/vidider_x11_cpu
	build/linux/bench/vidider_wayland_cpu
	build/linux/bench/vidider_fill_cpu 1920x1080 96
	build/linux/bench/vidider_fill_cpu 3840x2160 192

# Long runs: the X11 hack and the 32-bit saver flat out for 10 minutes each
# (SOAK_SECONDS), their memory, descriptors and shared memory sampled.
SOAK_SECONDS ?= 600
soak:
	$(MAKE) windows
	cmake --preset linux
	cmake --build --preset linux --target vidider_soak
	build/linux/bench/vidider_soak $(SOAK_SECONDS)

# The README's animated picture, docs/vidider.gif, made by vidider-sim.
docs:
	cmake --preset linux
	cmake --build --preset linux --target vidider-sim pbm_to_gif
	tools/make_docs_gif.sh build/linux/vidider-sim build/linux/pbm_to_gif docs

# The X11 hack for the xscreensaver daemon: the program into
# PREFIX/libexec/xscreensaver, its description into
# PREFIX/share/xscreensaver/config, its manual into PREFIX/share/man/man6;
# vidider-wayland into PREFIX/bin, its manual beside the hack's; install
# ends with the line to add to ~/.xscreensaver. uninstall removes
# those files again (packaging/install.cmake.in); both refuse to touch the
# files of an installed vidider package.
PREFIX ?= /usr/local
install:
	cmake --preset linux
	cmake --build --preset linux --target vidider vidider-wayland
	DESTDIR="$(DESTDIR)" cmake --install build/linux --prefix "$(PREFIX)" --strip

uninstall:
	@[ -f build/linux/vidider_install.cmake ] || cmake --preset linux
	DESTDIR="$(DESTDIR)" cmake -DCMAKE_INSTALL_PREFIX="$(PREFIX)" -DVIDIDER_ACTION=uninstall -P build/linux/vidider_install.cmake

# The Debian package: dist/vidider_VERSION_ARCH.deb, checked by lintian.
deb:
	@tools/deps.sh deb
	packaging/make_deb.sh dist

# The downloads for Windows users: the installer
# dist/vidider-VERSION-setup.exe and dist/vidider-VERSION-windows.zip.
dist:
	@tools/deps.sh test
	cmake --preset win32
	cmake --build --preset win32 --target vidider
	tools/make_dist.sh build/win32/vidider.scr dist/vidider-$(VERSION)-windows.zip
	tools/make_installer.sh build/win32/vidider.scr dist/vidider-$(VERSION)-setup.exe

clean:
	rm -rf build dist
