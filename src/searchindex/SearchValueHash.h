#pragma once

// Hash mixing for the search value types that serve as keys (filters, query texts, parsed queries).
// Pure functions: safe from any thread.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quorvane::search_hash {

inline void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

template <class T, class Hash = std::hash<T>>
std::size_t ofList(const std::vector<T>& items, Hash hash = Hash{}) {
    std::size_t seed = items.size();
    for (const auto& item : items) combine(seed, hash(item));
    return seed;
}

}  // namespace quorvane::search_hash
