#include "shell_queue.h"

#include "pcfg_platform.h"

namespace pcfg_shell {

// The shell's queue talks to the manager like any other client.
int32_t ShellQueue::bind() {
    static constexpr uint32_t kOptions[6] = MTS_CLIENT_BIND_OPTIONS;
    return mts_bind(2, -1, kOptions, kShellQueueName);
}

ShellQueue::~ShellQueue() {
    if (handle_ >= 0) mts_unbind(handle_, 0);
}

}  // namespace pcfg_shell
