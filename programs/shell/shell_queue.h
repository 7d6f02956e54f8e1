// The shell's own transport queue, as the card's shell holds one: bound when
// the shell starts, its handle in every parameter block, closed when the
// shell ends.
#pragma once

#include <cstdint>

namespace pcfg_shell {

inline constexpr const char *kShellQueueName = "pcfg shell";

class ShellQueue {
public:
    ShellQueue() : handle_(bind()) {}
    ~ShellQueue();
    ShellQueue(const ShellQueue &) = delete;
    ShellQueue &operator=(const ShellQueue &) = delete;

    int32_t handle() const { return handle_; }
    bool bound() const { return handle_ >= 0; }
    // The transport started afresh and took the old queue with it: binds a
    // new one (the old handle may now name someone else's queue, so it is
    // not closed).
    void reopen() { handle_ = bind(); }

private:
    static int32_t bind();
    int32_t handle_;
};

}  // namespace pcfg_shell
