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
    // A new card holds no queue of this shell: binds one there (the old
    // handle went with the card that was lost).
    void rebind() { handle_ = bind(); }

private:
    static int32_t bind();
    int32_t handle_;
};

}  // namespace pcfg_shell
