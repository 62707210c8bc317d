// korvane_probe.exe: prints one line and exits. Whether it runs under Wine tells whether this machine
// runs programs of this build's architecture at all.
#include <cstdio>

int main() {
    std::puts("korvane_probe: runs");
    return 0;
}
