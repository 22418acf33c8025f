# The two commands of README.md, and the checks CI runs.
.PHONY: all deps test run console screenshot tsan asan fuzz windows bench clean

all: test

deps:
	@./scripts/install-deps.sh

# The libraries Debian has no MinGW package of, from Debian's source packages.
windows_deps := build/windows-deps
define fetch_windows_deps
./scripts/fetch-source.sh pugixml libpugixml-dev src/pugixml.cpp $(windows_deps)/pugixml
./scripts/fetch-source.sh libxlsxwriter libxlsxwriter-dev src/workbook.c $(windows_deps)/xlsxwriter
endef

define build
	cmake --preset $(1) >/dev/null
	cmake --build --preset $(1)
endef

test: deps
	$(call build,default)
	ctest --preset default

# The window, on the built-in bench; the file choosers open in the folder of the demo firmware.
run: deps
	$(call build,default)
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "No display to show the window on: running kelvane-cli instead (make console)."; \
	  ./build/default/src/kelvane-cli update build/default/firmware/demo_3105.bin; \
	else \
	  cd build/default/firmware && ../src/Kelvane; \
	fi

# The headless front end: a search of the bench, then the update of every register found.
console: deps
	$(call build,default)
	./build/default/src/kelvane-cli update build/default/firmware/demo_3105.bin

# Pictures of the window under a virtual X server: idle, after a search, during and after updates;
# those of the Qt window, then those of the Win32 window under Wine.
screenshot: deps
	$(call build,default)
	xvfb-run -a -s '-screen 0 1024x768x24' ./build/default/tests/kelvane-screenshots \
	  screenshots build/default/firmware
	$(fetch_windows_deps)
	$(call build,windows-x64)
	./scripts/win32-screenshots.sh build/windows-x64 screenshots build/default/firmware

tsan: deps
	$(call build,tsan)
	ctest --preset tsan

asan: deps
	$(call build,asan)
	ctest --preset asan

# Every fuzz target for FUZZ_SECONDS (30) each, with ASan and UBSan, from seeds of the tests' data.
fuzz: deps
	$(call build,fuzz)
	./scripts/fuzz.sh build/fuzz

# The Windows build, cross-compiled for x86-64 and i686, with the tests of both under Wine; then
# the archives and the installer packages, signed when KELVANE_SIGN_CERT and KELVANE_SIGN_KEY name
# a certificate and its key, and the packages installed and removed again under Wine.
windows: deps
	@./scripts/install-deps.sh --wine32
	$(fetch_windows_deps)
	$(call build,windows-x64)
	$(call build,windows-x86)
	./scripts/wine-tests.sh build/windows-x64 build/windows-x86
	@[ -n "$$KELVANE_SIGN_CERT" ] && [ -n "$$KELVANE_SIGN_KEY" ] || \
	  echo "windows: no KELVANE_SIGN_CERT and KELVANE_SIGN_KEY: the programs and packages are not signed"
	./scripts/pack-windows.sh build/windows-x86 win32
	./scripts/pack-windows.sh build/windows-x64 win64
	./scripts/package-tests.sh build/windows-x64 build/windows-x86

# The micro-benchmarks, then the figures the tool is held to, each against its target; last, what
# the COM path adds to an update, in the x86-64 Windows build under Wine.
bench: deps
	$(call build,bench)
	./build/bench/benchmarks/kelvane_benchmarks
	./build/bench/benchmarks/kelvane_figures
	$(fetch_windows_deps)
	$(call build,windows-x64)
	./scripts/com-figure.sh build/windows-x64

clean:
	rm -rf build
