// Signals of an interactive shell: Ctrl-C (SIGINT) drops the line being
// typed and never ends the shell nor the command running (that ends as the
// library reports it); a hang-up or SIGTERM ends the session as Ctrl-D does;
// a resized window is noted. Each signal is a flag and a byte on a pipe, so
// that a wait for input wakes up.
#pragma once

namespace pcfg_shell::interrupts {

// Installs the handlers (once); false when the wake-up pipe cannot be made.
bool install();
// Descriptor that turns readable when a signal arrived, or -1.
int wake_fd();
// Forgets what arrived so far (a Ctrl-C during a command).
void forget();
// Each tells whether its signal arrived since it was last asked.
bool take_interrupt();
bool take_resize();
// A hang-up or SIGTERM arrived (stays set).
bool ending();

}  // namespace pcfg_shell::interrupts
