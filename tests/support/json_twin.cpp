#include "support/json_twin.h"

#include <cstdio>
#include <cstdlib>

#include "pcfg_sim.h"
#include "support/capture.h"

namespace pcfg_test {

// Each pair: "text <bytes>\n", the text, "json <bytes>\n", the JSON.
void keep_json(const std::string &text, const std::string &json) {
    static FILE *out = [] {
        const char *path = std::getenv("PCFG_JSON_OUT");
        return path != nullptr ? std::fopen(path, "wb") : nullptr;
    }();
    if (out == nullptr) return;
    std::fprintf(out, "text %zu\n%sjson %zu\n%s", text.size(), text.c_str(), json.size(),
                 json.c_str());
    std::fflush(out);
}

std::string unlogged(const std::function<void()> &body) {
    pcfg_sim::set_call_log(false);
    std::string out = capture_stdout(body);
    pcfg_sim::set_call_log(true);
    return out;
}

std::string json_of(const std::function<void(pcfg::out::Writer &)> &print) {
    return unlogged([&] {
        pcfg::out::JsonWriter w;
        print(w);
        w.finish();
    });
}

}  // namespace pcfg_test
