#include "edit_library.h"

#if PCFG_HAVE_LIBEDIT

#include <dlfcn.h>

#include "text.h"

namespace pcfg_shell {
namespace {

// Resolves every entry point, or says why the library cannot be used. It
// stays loaded for the life of the process.
EditLibrary load() {
    EditLibrary out;
    void *handle = dlopen(kEditLibrary, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *error = dlerror();
        out.why = error != nullptr ? error : kEditLibrary;
        return out;
    }
#define PCFG_EDIT_CALL_RESOLVE(name)                                          \
    out.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
    if (out.name == nullptr) {                                            \
        out.why = cat({kEditLibrary, " has no ", #name});                 \
        return out;                                                       \
    }
    PCFG_EDIT_CALLS(PCFG_EDIT_CALL_RESOLVE)
#undef PCFG_EDIT_CALL_RESOLVE
    return out;
}

}  // namespace

const EditLibrary &edit_library() {
    static const EditLibrary loaded = load();
    return loaded;
}

}  // namespace pcfg_shell

#endif
