#include "info_commands.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "sim_commands.h"

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

Outcome show_clock(Session &, const Args &) {
    printf("%s\n", time_text(pcfg_sim::now()).c_str());
    return Outcome::done();
}

Outcome show_version(Session &, const Args &) {
    printf("shell             pcfg %s\n", PCFG_VERSION);
    printf("library           libport_cfg_cli %s\n", library_version().c_str());
    const auto card = pcfg_sim::card_status();
    if (card && card->frame_version == 0)
        printf("card frames       none: the card runs inside this shell\n");
    else if (card)
        printf("card frames       version %u (pcfg-card)\n", card->frame_version);
    else
        printf("card frames       unknown: the card does not answer\n");
    return Outcome::done();
}

}  // namespace pcfg_shell
