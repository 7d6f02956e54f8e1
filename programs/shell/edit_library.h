// libedit, loaded when the shell is about to edit lines on a terminal and
// not before: a shell run for one command or on piped input never edits a
// line, and linking libedit would make every start load it and the
// libraries it needs. The entry points the line editor calls are resolved
// once, with the types libedit's header gives them.
#pragma once

#if PCFG_HAVE_LIBEDIT

#include <histedit.h>

#include <string>

namespace pcfg_shell {

// The library loaded, by its versioned name.
inline constexpr const char *kEditLibrary = "libedit.so.2";

#define PCFG_EDIT_CALLS(X)                                                                 \
    X(el_init) X(el_end) X(el_set) X(el_wset) X(el_get) X(el_wgets) X(el_wline) X(el_winsertstr) \
    X(el_deletestr) X(el_resize) X(history_init) X(history_end) X(history)

struct EditLibrary {
#define PCFG_EDIT_CALL_POINTER(name) decltype(&::name) name = nullptr;
    PCFG_EDIT_CALLS(PCFG_EDIT_CALL_POINTER)
#undef PCFG_EDIT_CALL_POINTER
    std::string why;  // why the library cannot be used; empty when it can

    bool loaded() const { return why.empty(); }
};

// The library, loaded on the first call (the same answer on every call).
const EditLibrary &edit_library();

}  // namespace pcfg_shell

#endif
