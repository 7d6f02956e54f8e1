// The bare start: a minimal C++ program that prints one line. Command cost
// is measured against starting this.
#include <cstdio>

int main() {
    std::puts("hello from a minimal C++ program");
    return 0;
}
