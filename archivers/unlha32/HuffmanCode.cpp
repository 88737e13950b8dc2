#include "archivers/unlha32/HuffmanCode.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace unlha {
namespace {

// Code lengths for frequencies sorted in ascending order, computed in place (Moffat and
// Katajainen): on return a[i] is the length of the i-th symbol.
void MinimumRedundancy(uint32_t* a, int n) {
    if (n == 1) {
        a[0] = 0;
        return;
    }
    a[0] += a[1];
    int root = 0;
    int leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = static_cast<uint32_t>(next);
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= n || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = static_cast<uint32_t>(next);
        } else {
            a[next] += a[leaf++];
        }
    }
    a[n - 2] = 0;
    for (int next = n - 3; next >= 0; --next)
        a[next] = a[a[next]] + 1;
    int avail = 1;
    int used = 0;
    uint32_t depth = 0;
    root = n - 2;
    int next = n - 1;
    while (avail > 0) {
        while (root >= 0 && a[root] == depth) {
            ++used;
            --root;
        }
        while (avail > used) {
            a[next--] = depth;
            --avail;
        }
        avail = 2 * used;
        ++depth;
        used = 0;
    }
}

} // namespace

int BuildCodeLengths(const uint32_t* freq, int n, int maxBits, uint8_t* lengths) {
    std::memset(lengths, 0, static_cast<std::size_t>(n));
    std::vector<std::pair<uint32_t, int>> used;
    used.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        if (freq[i] != 0)
            used.emplace_back(freq[i], i);
    const int m = static_cast<int>(used.size());
    if (m < 2)
        return m;
    std::sort(used.begin(), used.end());
    std::vector<uint32_t> a(static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i)
        a[static_cast<std::size_t>(i)] = used[static_cast<std::size_t>(i)].first;
    MinimumRedundancy(a.data(), m);

    // Count the lengths; fold longer ones into maxBits and restore the Kraft equality by
    // moving leaves down from the deepest shorter level.
    std::vector<int> count(static_cast<std::size_t>(std::max<uint32_t>(a[0], maxBits)) + 1, 0);
    for (uint32_t len : a)
        ++count[len];
    if (a[0] > static_cast<uint32_t>(maxBits)) {
        for (std::size_t len = static_cast<std::size_t>(maxBits) + 1; len < count.size(); ++len) {
            count[static_cast<std::size_t>(maxBits)] += count[len];
            count[len] = 0;
        }
        uint64_t kraft = 0;
        for (int len = 1; len <= maxBits; ++len)
            kraft += static_cast<uint64_t>(count[static_cast<std::size_t>(len)]) << (maxBits - len);
        while (kraft > (uint64_t{1} << maxBits)) {
            --count[static_cast<std::size_t>(maxBits)];
            for (int len = maxBits - 1; len > 0; --len) {
                if (count[static_cast<std::size_t>(len)] != 0) {
                    --count[static_cast<std::size_t>(len)];
                    count[static_cast<std::size_t>(len) + 1] += 2;
                    break;
                }
            }
            --kraft;
        }
    }
    // The least frequent symbols (first in the sorted list) take the longest codes.
    int i = 0;
    for (int len = maxBits; len > 0; --len)
        for (int k = count[static_cast<std::size_t>(len)]; k > 0; --k)
            lengths[used[static_cast<std::size_t>(i++)].second] = static_cast<uint8_t>(len);
    return m;
}

void BuildCanonicalCodes(const uint8_t* lengths, int n, uint16_t* codes) {
    unsigned count[18] = {};
    for (int i = 0; i < n; ++i)
        ++count[lengths[i]];
    count[0] = 0;
    unsigned next[18] = {};
    unsigned code = 0;
    for (int len = 1; len <= 16; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    for (int i = 0; i < n; ++i)
        codes[i] = lengths[i] ? static_cast<uint16_t>(next[lengths[i]]++) : 0;
}

} // namespace unlha
