// pcfg: the operator shell of the port-configuration manager's commands, on
// the shared simulated card (pcfg-card), or with --embedded on a card inside
// this process with a fixed clock.
#include <string_view>
#include <vector>

#include "card_link.h"
#include "shell.h"

int main(int argc, char **argv) {
    std::vector<char *> args{argv[0]};
    bool embedded = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--embedded")
            embedded = true;
        else
            args.push_back(argv[i]);
    }
    if (!embedded && !pcfg_link::link_to_card(argv[0])) return 1;
    args.push_back(nullptr);
    return pcfg_shell::main(static_cast<int>(args.size()) - 1, args.data());
}
