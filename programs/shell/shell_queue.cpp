#include "shell_queue.h"

#include "pcfg_platform.h"

namespace pcfg_shell {

int32_t ShellQueue::bind() { return mts_bind(2, -1, kShellBindOptions.data(), kShellQueueName); }

ShellQueue::~ShellQueue() {
    if (handle_ >= 0) mts_unbind(handle_, 0);
}

}  // namespace pcfg_shell
