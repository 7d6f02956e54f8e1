// Where the card listens when no socket is named: a folder of the user's
// own, so that no other user can reach the card or put a socket in its place.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "pcfg_sim.h"

namespace pcfg_sim {

std::string default_card_socket(std::string &why) {
    const char *runtime = getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime != nullptr && runtime[0] == '/'
                                   ? std::string(runtime) + "/pcfg"
                                   : "/tmp/pcfg-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = folder + ": " + std::strerror(errno);
        return {};
    }
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0) {
        why = folder + ": " + std::strerror(errno);
        return {};
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 077) != 0) {
        why = folder + ": not a folder of this user's alone (mode 0700)";
        return {};
    }
    return folder + "/card";
}

}  // namespace pcfg_sim
