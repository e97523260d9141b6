# The two commands: `make run` shows the saver, `make test` runs every test.
.PHONY: run test windows linux sanitize bench clean

run:
	@tools/deps.sh run
	$(MAKE) windows
	cmake --preset linux
	cmake --build --preset linux --target vidider-sim pbm_to_gif
	tools/run.sh

test:
	@tools/deps.sh test
	$(MAKE) windows linux sanitize

# vidider.scr for 32-bit Windows, and its 64-bit twin for Wine on machines
# that cannot run 32-bit code.
windows:
	cmake --preset win32
	cmake --build --preset win32
	cmake --preset win64
	cmake --build --preset win64

linux:
	cmake --preset linux
	cmake --build --preset linux
	ctest --preset linux

sanitize:
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

bench:
	$(MAKE) windows
	cmake --preset linux
	cmake --build --preset linux --target vidider_bench vidider_saver_cpu
	build/linux/bench/vidider_bench
	build/linux/bench/vidider_saver_cpu

clean:
	rm -rf build
