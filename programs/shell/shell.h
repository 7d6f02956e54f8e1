// The operator shell: reads command lines and runs them on the line card.
#pragma once

namespace pcfg_shell {
int main(int argc, char **argv);
}
