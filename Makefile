# The two commands of README.md, and the checks CI runs.
.PHONY: all deps test run console tsan asan bench clean

all: test

deps:
	@./scripts/install-deps.sh

define build
	cmake --preset $(1) >/dev/null
	cmake --build --preset $(1)
endef

test: deps
	$(call build,default)
	ctest --preset default

run: console

# The headless front end: a search of the bench, then the update of every register found.
console: deps
	$(call build,default)
	./build/default/src/kelvane-console --update build/default/firmware/demo_3105.bin

tsan: deps
	$(call build,tsan)
	ctest --preset tsan

asan: deps
	$(call build,asan)
	ctest --preset asan

bench: deps
	$(call build,bench)
	./build/bench/benchmarks/kelvane_benchmarks

clean:
	rm -rf build
