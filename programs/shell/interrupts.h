// Signals of an interactive shell: Ctrl-C (SIGINT) and Ctrl-\ (SIGQUIT)
// drop the line being typed, and while a command runs they stop the
// printing of its output (the command itself ends as the library reports
// it); they never end the shell. Ctrl-Z (SIGTSTP) suspends the shell: at the
// prompt the line editor gives the terminal back first and shows the line
// again after "fg"; while a command runs it stops at once. A hang-up or
// SIGTERM ends the session as Ctrl-D does; a resized window is noted. Each
// signal is a flag and a byte on a pipe, so that a wait for input wakes up.
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
// Whether a Ctrl-C arrived and was not taken yet (without taking it).
bool interrupt_pending();
bool take_resize();
bool take_suspend();
// A hang-up or SIGTERM arrived (stays set).
bool ending();

// Ctrl-Z is noted (true: at the prompt) or stops the process at once.
void catch_suspend(bool noted);
// Stops the process as Ctrl-Z does; returns when it is continued.
void suspend_now();

}  // namespace pcfg_shell::interrupts
