// pcfg: the operator shell of the port-configuration manager's commands, on
// the shared simulated card (pcfg-card), or with --embedded on a card inside
// this process (its clock at a fixed start, or on a terminal at the time
// of day).
#include "shell.h"
#include "simulated_card.h"

int main(int argc, char **argv) {
    pcfg::SimulatedCard card(pcfg::shared_card_link());
    return pcfg_shell::main(argc, argv, card);
}
