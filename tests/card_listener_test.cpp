// The card program on a place it must refuse: it says why in one line, with
// the exit status, leaves what it found as it was, leaves none of its own
// files behind (the lock of another card aside) and none of the
// descriptors it opened.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
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

// What a refused start said on standard error, and its status.
std::pair<std::string, int> refused_start(const std::string &path, bool with_log) {
    FILE *err = tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    bool listened = false;
    const int status = pcfg_card::serve_card(path, [&](int) { listened = true; }, with_log);
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text(512, '\0');
    rewind(err);
    text.resize(fread(text.data(), 1, text.size(), err));
    fclose(err);
    EXPECT_FALSE(listened);
    return {text, status};
}

class CardListener : public pcfg_test::PcfgTest {};

TEST_F(CardListener, ARefusedPlaceIsLeftAsItWasAndSaysWhy) {
    char dir_template[] = "/tmp/pcfg-listener-test-XXXXXX";
    const std::string dir = mkdtemp(dir_template);
    const std::string file = dir + "/file", open_dir = dir + "/open";
    // Another card holds the lock of `taken`; `live` is a socket a program
    // accepts on; `open` is a folder others may write to.
    const int holder = open((dir + "/taken.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const int live = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, (dir + "/live").c_str());
    ASSERT_EQ(bind(live, reinterpret_cast<sockaddr *>(&addr), sizeof addr) | listen(live, 1), 0);
    FILE *f = fopen(file.c_str(), "w");
    fputs("important\n", f);
    fclose(f);
    ASSERT_EQ(mkdir((dir + "/folder").c_str(), 0700) | symlink(file.c_str(), (dir + "/link").c_str()) |
                  mkdir(open_dir.c_str(), 0700) | chmod(open_dir.c_str(), 0777) |
                  symlink(file.c_str(), (dir + "/lock.lock").c_str()) |
                  symlink(file.c_str(), (dir + "/log.log").c_str()),
              0);
    const std::string too_long = dir + "/" + std::string(120, 'x');
    struct Case {
        std::string name;  // in the folder
        bool with_log;
        int status;
        std::string said;  // after "pcfg-card: " and the path
    };
    const Case cases[] = {
        {"taken", false, 1, "a card already runs on " + dir + "/taken"},
        {too_long.substr(dir.size() + 1), false, 2,
         "socket path too long (" + std::to_string(too_long.size()) + " bytes, at most 107): " + too_long},
        {"folder", false, 2, dir + "/folder is a folder, not a card's socket; left as it is"},
        {"file", false, 2, file + " is a regular file, not a card's socket; left as it is"},
        {"link", false, 2, dir + "/link is a symbolic link, not a card's socket; left as it is"},
        {"live", false, 2, dir + "/live: a socket something accepts on; left as it is"},
        {"open/card", false, 2, open_dir + ": a folder of user " + std::to_string(geteuid()) +
                                    " with mode 0777; the card keeps its files only in a folder of this "
                                    "user's that no one else can write to"},
        {"lock", false, 2, dir + "/lock.lock: Too many levels of symbolic links (a link there is not followed)"},
        {"log", true, 2, dir + "/log.log: Too many levels of symbolic links (a link there is not followed)"},
    };
    for (const Case &c : cases) {
        const std::string path = dir + "/" + c.name;
        SCOPED_TRACE(path);
        const int before = open_descriptors();
        const auto [said, status] = refused_start(path, c.with_log);
        EXPECT_EQ(open_descriptors(), before);
        EXPECT_EQ(said, "pcfg-card: " + c.said + "\n");
        EXPECT_EQ(status, c.status);
        struct stat st {};
        EXPECT_EQ(lstat((path + ".lock").c_str(), &st) == 0, c.name == "taken" || c.name == "lock");
        EXPECT_NE(lstat((path + ".log").c_str(), &st) == 0 && !S_ISLNK(st.st_mode), true);
    }
    f = fopen(file.c_str(), "r");
    char content[32] = {};
    EXPECT_TRUE(fgets(content, sizeof content, f) != nullptr && std::string(content) == "important\n");
    fclose(f);
    const int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(connect(client, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0)
        << "the live socket is still its program's";
    for (const int fd : {client, holder, live}) close(fd);
    EXPECT_EQ(std::system(("rm -rf " + dir).c_str()), 0);
}

}  // namespace
