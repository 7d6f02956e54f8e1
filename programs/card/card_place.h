// Where a card keeps its files: its socket PATH, the lock PATH.lock that
// says a card runs there, and with --daemon its log PATH.log. They live
// only in a folder of this user's that no one else can write to, are
// opened without following a link, and checked once open. The card removes
// a socket only when it has shown it to be stale (nothing accepts on it);
// anything else at PATH is left as it is and the card refuses to start.
#pragma once

#include <optional>
#include <string>

#include "owned_fd.h"

namespace pcfg_card {

class CardPlace {
public:
    // Claims the place for a card: the folder checked, the lock taken, a
    // stale socket removed, the log opened when asked for. No value when
    // refused (one line on standard error): `status` is then 2 when the
    // path or its folder is refused, 1 when a card already runs there.
    static std::optional<CardPlace> claim(const std::string &path, bool with_log, int &status);

    // The end of the card: the socket it made and the lock are removed.
    ~CardPlace();
    CardPlace(CardPlace &&) = default;
    CardPlace &operator=(CardPlace &&) = delete;

    // Binds and listens on the socket (mode 0600); false (said on standard
    // error) when it cannot.
    bool listen_on(int listening, int backlog);
    const std::string &path() const { return path_; }
    // The log opened for the card (-1: none asked for).
    int log() const { return log_.get(); }

private:
    CardPlace(std::string path, std::string name) : path_(std::move(path)), name_(std::move(name)) {}
    std::optional<std::string> take_lock(bool &running);
    std::optional<std::string> clear_socket();
    std::optional<std::string> open_log();

    std::string path_;
    std::string name_;  // the socket's name in its folder
    pcfg::OwnedFd folder_;
    pcfg::OwnedFd lock_;
    pcfg::OwnedFd log_;
    // The socket file made, told apart from one another put there since.
    std::optional<std::pair<dev_t, ino_t>> socket_;
};

}  // namespace pcfg_card
