#include "support/heap_count.h"

#include <cstdlib>
#include <cstring>

namespace {
size_t g_allocs = 0;
long g_outstanding = 0;
bool g_fail_next_malloc = false;

void *counted(void *p) {
    if (p != nullptr) {
        ++g_allocs;
        ++g_outstanding;
    }
    return p;
}
}  // namespace

namespace pcfg_test {
void heap_reset() {
    g_allocs = 0;
    g_outstanding = 0;
    g_fail_next_malloc = false;
}
size_t library_allocations() { return g_allocs; }
long library_outstanding() { return g_outstanding; }
void heap_fail_next_malloc() { g_fail_next_malloc = true; }
}  // namespace pcfg_test

extern "C" {
void *pcfg_counted_malloc(size_t n) {
    if (g_fail_next_malloc) {
        g_fail_next_malloc = false;
        return nullptr;
    }
    return counted(malloc(n));
}
void *pcfg_counted_calloc(size_t n, size_t m) { return counted(calloc(n, m)); }
void *pcfg_counted_realloc(void *p, size_t n) {
    if (p == nullptr) return counted(realloc(p, n));
    return realloc(p, n);
}
void pcfg_counted_free(void *p) {
    if (p != nullptr) --g_outstanding;
    free(p);
}
char *pcfg_counted_strdup(const char *s) { return static_cast<char *>(counted(strdup(s))); }
char *pcfg_counted_strndup(const char *s, size_t n) {
    return static_cast<char *>(counted(strndup(s, n)));
}
// operator new and delete, under their 64-bit (m) and 32-bit (j) names.
#define PCFG_COUNTED_NEW(name) \
    void *pcfg_counted_##name(size_t n) { return counted(malloc(n != 0 ? n : 1)); }
#define PCFG_COUNTED_DELETE(name, ...) \
    void pcfg_counted_##name(void *p __VA_OPT__(, ) __VA_ARGS__) { pcfg_counted_free(p); }
PCFG_COUNTED_NEW(Znwm) PCFG_COUNTED_NEW(Znwj) PCFG_COUNTED_NEW(Znam) PCFG_COUNTED_NEW(Znaj)
PCFG_COUNTED_DELETE(ZdlPv) PCFG_COUNTED_DELETE(ZdaPv)
PCFG_COUNTED_DELETE(ZdlPvm, size_t) PCFG_COUNTED_DELETE(ZdlPvj, size_t)
PCFG_COUNTED_DELETE(ZdaPvm, size_t) PCFG_COUNTED_DELETE(ZdaPvj, size_t)
}
