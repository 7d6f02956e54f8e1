#include "support/capture.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace pcfg_test {

std::string capture_stdout(const std::function<void()> &body) {
    fflush(stdout);
    FILE *tmp = tmpfile();
    if (tmp == nullptr) throw std::runtime_error("tmpfile failed");
    const int saved = dup(STDOUT_FILENO);
    dup2(fileno(tmp), STDOUT_FILENO);
    body();
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string out;
    rewind(tmp);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, tmp)) > 0) out.append(buf, n);
    fclose(tmp);
    return out;
}

}  // namespace pcfg_test
