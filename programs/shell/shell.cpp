#include "shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "port_cfg_cli.h"

namespace pcfg_shell {

// raw <cmd_id> [<param_id>=<value> ...]
int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: pcfg <cmd_id> [param=value ...]\n");
        return 2;
    }
    auto block = std::make_unique<cli_param_block>();
    block->cmd_id = static_cast<int32_t>(strtol(argv[1], nullptr, 0));
    std::vector<std::unique_ptr<cli_param_token>> toks;
    std::vector<std::unique_ptr<uint32_t>> vals;
    for (int i = 2; i < argc && toks.size() < PCFG_MAX_TOKENS; ++i) {
        auto t = std::make_unique<cli_param_token>();
        char *eq = strchr(argv[i], '=');
        t->param_id = static_cast<int32_t>(strtol(argv[i], nullptr, 0));
        if (eq != nullptr) {
            vals.push_back(std::make_unique<uint32_t>(static_cast<uint32_t>(strtoul(eq + 1, nullptr, 0))));
            t->value = vals.back().get();
        }
        block->tokens[toks.size()] = t.get();
        toks.push_back(std::move(t));
    }
    block->token_count = static_cast<uint8_t>(toks.size());
    port_cfg_cli_main(block.get());
    fflush(stdout);
    return 0;
}

}  // namespace pcfg_shell
