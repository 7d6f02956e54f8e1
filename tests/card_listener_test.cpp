// The card program on a socket it must refuse: it says why, and leaves
// none of the descriptors it opened behind.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "card/card_listener.h"
#include "support/fixture.h"

namespace {

int open_descriptors() {
    DIR *d = opendir("/proc/self/fd");
    int n = 0;
    while (d != nullptr && readdir(d) != nullptr) ++n;
    if (d != nullptr) closedir(d);
    return n;
}

class CardListener : public pcfg_test::PcfgTest {};

TEST_F(CardListener, ARefusedSocketLeavesNoDescriptorOpen) {
    char dir_template[] = "/tmp/pcfg-listener-test-XXXXXX";
    const std::string dir = mkdtemp(dir_template);
    const std::string taken = dir + "/taken", too_long = dir + "/" + std::string(120, 'x'),
                      folder = dir + "/folder";
    // Another card holds the lock of `taken`; `folder` is no place for a socket.
    const int holder = open((taken + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::pair<std::string, std::string> cases[] = {
        {taken, "pcfg-card: a card already runs on " + taken + "\n"},
        {too_long, "pcfg-card: socket path too long: " + too_long + "\n"},
        {folder, "pcfg-card: cannot listen on " + folder + ": Address already in use\n"},
    };
    for (const auto &[path, said] : cases) {
        SCOPED_TRACE(path);
        FILE *err = tmpfile();
        const int saved = dup(STDERR_FILENO);
        dup2(fileno(err), STDERR_FILENO);
        const int before = open_descriptors();
        bool listened = false;
        EXPECT_EQ(pcfg_card::serve_card(path, [&] { listened = true; }), 1);
        EXPECT_EQ(open_descriptors(), before);
        fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        std::string text(256, '\0');
        rewind(err);
        text.resize(fread(text.data(), 1, text.size(), err));
        fclose(err);
        EXPECT_EQ(text, said);
        EXPECT_FALSE(listened);
        unlink((path + ".lock").c_str());
    }
    close(holder);
    rmdir(folder.c_str());
    rmdir(dir.c_str());
}

}  // namespace
