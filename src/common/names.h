// Value-to-name lookup: tables of {value, name} rows searched from the
// first row (the first equal row wins), with a fallback text for a value no
// row names, and the row lookup behind it for tables with more columns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pcfg {

struct Named {
    uint32_t value;
    const char *name;
};

// The first row whose `key` member equals v, or null.
template <typename Row, size_t N, typename Key, typename V>
constexpr const Row *row_of(const std::array<Row, N> &table, Key Row::*key, V v) noexcept {
    for (const Row &row : table)
        if (row.*key == v) return &row;
    return nullptr;
}

template <size_t N>
constexpr const char *name_of(const std::array<Named, N> &table, uint32_t v,
                              const char *fallback) noexcept {
    const Named *row = row_of(table, &Named::value, v);
    return row != nullptr ? row->name : fallback;
}

// The name at a code of a dense table indexed by the code, or the fallback
// past its end (or for a null row).
template <size_t N>
constexpr const char *name_at(const std::array<const char *, N> &names, uint32_t code,
                              const char *fallback) noexcept {
    return code < N && names[code] != nullptr ? names[code] : fallback;
}

}  // namespace pcfg
