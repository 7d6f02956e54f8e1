#include "file_completion.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace pcfg_shell {
namespace {

struct Name {
    std::string name;
    bool folder = false;
};

// The entries of a folder that start with `start` (hidden ones only when
// asked for), in name order.
std::vector<Name> names_in(const std::string &folder, std::string_view start) {
    std::vector<Name> out;
    DIR *d = opendir(folder.empty() ? "." : folder.c_str());
    if (d == nullptr) return out;
    while (const dirent *e = readdir(d)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == ".." || !name.starts_with(start)) continue;
        if (name.starts_with('.') && !start.starts_with('.')) continue;
        struct stat st {};
        std::string path = folder;
        path.append(name);
        const bool folder_entry = stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        out.push_back({std::string(name), folder_entry});
    }
    closedir(d);
    std::sort(out.begin(), out.end(), [](const Name &a, const Name &b) { return a.name < b.name; });
    return out;
}

bool needs_quotes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '|' || c == '"' || c == '\'' || c == '\\' ||
               static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f;
    });
}

}  // namespace

FileCompletion complete_file(std::string_view typed, char quote) {
    FileCompletion out;
    const size_t slash = typed.rfind('/');
    const std::string folder(typed.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
    const std::string_view start = typed.substr(folder.size());
    const std::vector<Name> names = names_in(folder, start);
    if (names.empty()) return out;
    std::string shared = names.front().name;
    for (const Name &n : names) {
        size_t k = 0;
        while (k < shared.size() && k < n.name.size() && shared[k] == n.name[k]) ++k;
        shared.resize(k);
    }
    std::string rest = shared.substr(start.size());
    const bool one = names.size() == 1;
    if (one && names.front().folder) rest += '/';
    if (rest.empty()) {
        for (const Name &n : names) {
            std::string shown = n.name;
            if (n.folder) shown += '/';
            out.list.push_back({std::move(shown), n.folder ? "folder" : "file"});
        }
        return out;
    }
    if (quote == 0 && (needs_quotes(typed) || needs_quotes(rest))) {
        // The word again, in single quotes.
        quote = '\'';
        out.erase = typed.size();
        out.insert.assign(1, quote).append(typed);
    }
    for (const char c : rest) {
        if (quote == '"' && (c == '"' || c == '\\')) out.insert += '\\';
        out.insert += c;
    }
    if (one && !names.front().folder) {
        if (quote != 0) out.insert += quote;
        out.insert += ' ';
    }
    return out;
}

}  // namespace pcfg_shell
