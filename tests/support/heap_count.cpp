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
void *pcfg_counted_Znwm(size_t n) { return counted(malloc(n != 0 ? n : 1)); }
void *pcfg_counted_Znwj(size_t n) { return counted(malloc(n != 0 ? n : 1)); }
void *pcfg_counted_Znam(size_t n) { return counted(malloc(n != 0 ? n : 1)); }
void *pcfg_counted_Znaj(size_t n) { return counted(malloc(n != 0 ? n : 1)); }
void pcfg_counted_ZdlPv(void *p) { pcfg_counted_free(p); }
void pcfg_counted_ZdaPv(void *p) { pcfg_counted_free(p); }
void pcfg_counted_ZdlPvm(void *p, size_t) { pcfg_counted_free(p); }
void pcfg_counted_ZdlPvj(void *p, size_t) { pcfg_counted_free(p); }
void pcfg_counted_ZdaPvm(void *p, size_t) { pcfg_counted_free(p); }
void pcfg_counted_ZdaPvj(void *p, size_t) { pcfg_counted_free(p); }
}
