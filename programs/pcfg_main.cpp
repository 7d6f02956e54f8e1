// pcfg: the operator shell of the port-configuration manager's commands.
#include "shell.h"

int main(int argc, char **argv) { return pcfg_shell::main(argc, argv); }
