#include "card_place.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pcfg_card {
namespace {

constexpr size_t kMaxPath = sizeof(sockaddr_un{}.sun_path) - 1;
// Refusals of the path or its folder, and of a place a card holds.
constexpr int kRefusedPath = 2;
constexpr int kCardRuns = 1;

std::string errno_text() { return std::strerror(errno); }

sockaddr_un address_of(const std::string &path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return addr;
}

// What is at the path instead of a socket, as the refusal names it.
const char *kind_of(mode_t mode) {
    struct Kind {
        mode_t type;
        const char *text;
    };
    static constexpr Kind kKinds[] = {
        {S_IFREG, "a regular file"}, {S_IFDIR, "a folder"},    {S_IFLNK, "a symbolic link"},
        {S_IFIFO, "a named pipe"},   {S_IFCHR, "a device"},    {S_IFBLK, "a device"},
    };
    for (const Kind &k : kKinds)
        if ((mode & S_IFMT) == k.type) return k.text;
    return "not a socket";
}

// Whether something accepts connections on the socket at `path`: only a
// refused connection shows that nothing does (a socket of another kind, or
// one whose queue of connections is full, is someone's).
bool accepted_on(const std::string &path) {
    const pcfg::OwnedFd probe(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const sockaddr_un addr = address_of(path);
    return !probe.valid() || connect(probe.get(), reinterpret_cast<const sockaddr *>(&addr), sizeof addr) == 0 ||
           errno != ECONNREFUSED;
}

// A file the card opened beside its socket: a regular file of this user's.
std::optional<std::string> check_own_file(int fd, const std::string &path) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return path + ": " + errno_text();
    if (!S_ISREG(st.st_mode) || st.st_uid != geteuid())
        return path + ": not a regular file of this user's; left as it is";
    return std::nullopt;
}

}  // namespace

std::optional<CardPlace> CardPlace::claim(const std::string &path, bool with_log, int &status) {
    status = kRefusedPath;
    const auto refuse = [&](const std::string &why) {
        fprintf(stderr, "pcfg-card: %s\n", why.c_str());
        return std::nullopt;
    };
    if (path.empty() || path.size() > kMaxPath)
        return refuse("socket path too long (" + std::to_string(path.size()) + " bytes, at most " +
                      std::to_string(kMaxPath) + "): " + path);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return refuse(path + ": names no socket in a folder");

    CardPlace place(path, std::move(name));
    place.folder_ = pcfg::OwnedFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!place.folder_.valid() || fstat(place.folder_.get(), &st) != 0)
        return refuse(folder + ": " + errno_text());
    if (st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char why[160];
        snprintf(why, sizeof why, ": a folder of user %u with mode %04o; the card keeps its files only in "
                 "a folder of this user's that no one else can write to",
                 static_cast<unsigned>(st.st_uid), static_cast<unsigned>(st.st_mode & 07777));
        return refuse(folder + why);
    }
    bool running = false;
    std::optional<std::string> why = place.take_lock(running);
    if (running) status = kCardRuns;
    if (!why) why = place.clear_socket();
    if (!why && with_log) why = place.open_log();
    if (why) return refuse(*why);  // the lock taken goes with the place
    status = 0;
    return place;
}

CardPlace::~CardPlace() {
    if (!folder_.valid()) return;
    struct stat st {};
    if (socket_ && fstatat(folder_.get(), name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        std::make_pair(st.st_dev, st.st_ino) == *socket_)
        unlinkat(folder_.get(), name_.c_str(), 0);
    if (lock_.valid()) unlinkat(folder_.get(), (name_ + ".lock").c_str(), 0);  // still held: ours
}

// One card per socket: the lock is held for as long as the card runs, and
// removed by the card that holds it as it ends. A lock taken on a file that
// a card ending meanwhile removed is taken again on the new one.
std::optional<std::string> CardPlace::take_lock(bool &running) {
    const std::string lock_name = name_ + ".lock";
    for (int attempt = 0; attempt < 10; ++attempt) {
        pcfg::OwnedFd lock(openat(folder_.get(), lock_name.c_str(),
                                  O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!lock.valid()) return path_ + ".lock: " + errno_text() + " (a link there is not followed)";
        if (auto why = check_own_file(lock.get(), path_ + ".lock")) return why;
        if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
            running = true;
            return "a card already runs on " + path_;
        }
        struct stat held {}, named {};
        if (fstat(lock.get(), &held) == 0 &&
            fstatat(folder_.get(), lock_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            lock_ = std::move(lock);
            return std::nullopt;
        }
    }
    return path_ + ".lock: replaced again and again while locked";
}

// The path must be free, or hold a socket of this user's that nothing
// accepts on (left by a card that was killed): that one is removed.
std::optional<std::string> CardPlace::clear_socket() {
    struct stat st {};
    if (fstatat(folder_.get(), name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? std::nullopt : std::optional(path_ + ": " + errno_text());
    if (!S_ISSOCK(st.st_mode))
        return path_ + " is " + kind_of(st.st_mode) + ", not a card's socket; left as it is";
    if (st.st_uid != geteuid()) return path_ + ": a socket of another user; left as it is";
    if (accepted_on(path_)) return path_ + ": a socket something accepts on; left as it is";
    if (unlinkat(folder_.get(), name_.c_str(), 0) != 0) return path_ + ": " + errno_text();
    return std::nullopt;
}

std::optional<std::string> CardPlace::open_log() {
    const std::string log_name = name_ + ".log";
    log_ = pcfg::OwnedFd(openat(folder_.get(), log_name.c_str(),
                                O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!log_.valid()) return path_ + ".log: " + errno_text() + " (a link there is not followed)";
    return check_own_file(log_.get(), path_ + ".log");
}

bool CardPlace::listen_on(int listening, int backlog) {
    const auto failed = [&] {
        fprintf(stderr, "pcfg-card: cannot listen on %s: %s\n", path_.c_str(), errno_text().c_str());
        return false;
    };
    const sockaddr_un addr = address_of(path_);
    if (bind(listening, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) return failed();
    struct stat st {};
    if (fstatat(folder_.get(), name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return failed();
    socket_ = std::make_pair(st.st_dev, st.st_ino);
    if (fchmodat(folder_.get(), name_.c_str(), 0600, 0) != 0 || listen(listening, backlog) != 0)
        return failed();
    return true;
}

}  // namespace pcfg_card
