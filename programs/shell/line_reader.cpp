#include "line_reader.h"

namespace pcfg_shell {

LineReader::Status LineReader::next(std::string &line) {
    line.clear();
    bool too_long = false;
    bool any = false;
    for (;;) {
        const int c = getc(in_);
        if (c == EOF) break;
        any = true;
        if (c == '\n') {
            ++number_;
            return too_long ? Status::TooLong : Status::Line;
        }
        if (line.size() < kMaxLineLength)
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
    }
    if (!any) return Status::End;
    ++number_;
    return too_long ? Status::TooLong : Status::Unterminated;
}

}  // namespace pcfg_shell
