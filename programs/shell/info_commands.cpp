#include "info_commands.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "port_cfg_cli.h"
#include "text.h"

#ifndef PCFG_VERSION
#define PCFG_VERSION "unknown"
#endif

namespace pcfg_shell {
namespace {

constexpr std::string_view kLibraryFile = "libport_cfg_cli.so.";

// The version of the library this process runs: from the name of its file
// (libport_cfg_cli.so.1.0.0) when it was loaded as one, else the version it
// was built with, as the shell's own.
std::string library_version() {
    Dl_info info{};
    char real[PATH_MAX];
    if (dladdr(reinterpret_cast<void *>(&port_cfg_cli_main), &info) != 0 && info.dli_fname != nullptr &&
        realpath(info.dli_fname, real) != nullptr) {
        const std::string_view path = real;
        const size_t at = path.rfind(kLibraryFile);
        if (at != std::string_view::npos) return std::string(path.substr(at + kLibraryFile.size()));
    }
    return PCFG_VERSION;
}

}  // namespace

Outcome show_clock(Session &session, const Args &) {
    const std::optional<uint32_t> now = session.card().clock();
    if (!now) return Outcome::rejected("The card does not tell its time");
    printf("%s\n", time_text(*now).c_str());
    return Outcome::done();
}

Outcome show_version(Session &session, const Args &) {
    printf("shell             pcfg %s\n", PCFG_VERSION);
    printf("library           libport_cfg_cli %s\n", library_version().c_str());
    const std::optional<uint8_t> frames = session.card().frame_version();
    if (frames && *frames == 0)
        printf("card frames       none: the card runs inside this shell\n");
    else if (frames)
        printf("card frames       version %u (pcfg-card)\n", *frames);
    else
        printf("card frames       unknown: the card does not answer\n");
    return Outcome::done();
}

}  // namespace pcfg_shell
