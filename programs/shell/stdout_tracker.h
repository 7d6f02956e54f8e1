// Keeps track of whether standard output stands at the start of a line.
//
// Several of the library's messages end without a newline; the shell, not
// the library, starts the next prompt or output on a fresh line. While a
// tracker lives, `stdout` is a stream of the tracker's own that writes
// through to the same file descriptor and remembers the last byte written,
// so the library's printf, puts and putchar go through it unchanged. One
// tracker at a time: it owns `stdout` from its construction to its end.
//
// It also holds the output filter of the running command, if any, the pager
// of an interactive session (after the filters), and the first error of
// writing standard output (a full disk, a closed pipe).
#pragma once

#include <cstdio>
#include <string_view>
#include <sys/types.h>

#include "output_filter.h"
#include "pager.h"

namespace pcfg_shell {

class StdoutTracker {
public:
    StdoutTracker();
    ~StdoutTracker();
    StdoutTracker(const StdoutTracker &) = delete;
    StdoutTracker &operator=(const StdoutTracker &) = delete;

    // Flushes standard output and ends a line left open.
    void fresh_line();
    // The terminal's echo of a typed line has moved the cursor to the start
    // of the next line, past whatever standard output left open (a prompt).
    void line_echoed();
    bool tracking() const { return tracked_ != nullptr; }
    // The terminal shows something after the output (an echoed "^C").
    void line_left_open() { at_line_start_ = false; }

    // Output from now on goes through the filter (null: none); the filter
    // is finished when it is replaced.
    void set_filter(OutputFilter *filter);
    // Output from now on goes through the pager (null: none).
    void set_pager(Pager *pager) {
        fflush(stdout);
        pager_ = pager;
    }
    // The errno of the first write to standard output that failed, or 0.
    int error() const { return error_; }

private:
    static ssize_t write_through(void *cookie, const char *buf, size_t size);
    static void emit(void *self, std::string_view text);
    void put(std::string_view text);

    FILE *original_ = nullptr;
    FILE *tracked_ = nullptr;
    int fd_ = -1;
    bool at_line_start_ = true;
    OutputFilter *filter_ = nullptr;
    Pager *pager_ = nullptr;
    int error_ = 0;
};

}  // namespace pcfg_shell
