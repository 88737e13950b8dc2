#include "select/TVMFiles.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace selection {

void SortByName(TVMFiles& list) {
    const std::size_t count = static_cast<std::size_t>(list.Count());
    std::vector<std::string> keys;
    keys.reserve(count);
    for (const auto& item : list)
        keys.push_back(platform::FileNameKey(item.Name));
    // Directory listings and listing caches mostly arrive in order already.
    if (std::is_sorted(keys.begin(), keys.end()))
        return;
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    TVMFiles sorted;
    for (const std::size_t i : order)
        sorted.Add(std::move(list[static_cast<int>(i)]));
    list = std::move(sorted);
}

void ClearCandidates(TVMFiles& list) {
    for (auto& item : list)
        item.Candidate = false;
}

void SetCandidates(TVMFiles& list) {
    for (auto& item : list)
        item.Candidate = true;
}

void ClearMarks(TVMFiles& list) {
    for (auto& item : list)
        item.Marked = false;
}

void SetMarks(TVMFiles& list) {
    for (auto& item : list)
        item.Marked = true;
}

bool MarkedNames(const TVMFiles& list, std::vector<std::string>& names) {
    names.clear();
    for (const auto& item : list)
        if (item.Marked)
            names.push_back(item.Name);
    return !names.empty();
}

namespace {

// One decimal, thousands separated: 1234.56 -> "1,234.6".
std::string FormatOneDecimal(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", value);
    std::string digits = buf;
    const std::size_t dot = digits.find('.');
    std::string whole = digits.substr(0, dot);
    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += platform::ThousandSeparator;
        grouped += whole[i];
    }
    grouped += platform::DecimalSeparator;
    grouped += digits.substr(dot + 1);
    return grouped;
}

} // namespace

std::string SizeText(std::int64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " Bytes";
    if (bytes < 1048576)
        return FormatOneDecimal(static_cast<double>(bytes) / 1024.0) + " kBytes";
    return FormatOneDecimal(static_cast<double>(bytes) / 1048576.0) + " MBytes";
}

platform::TDateTime DosDateTimeToDateTime(std::uint16_t date, std::uint16_t time) {
    const platform::TDateTime day =
        platform::EncodeDate((date >> 9) + 1980, (date >> 5) & 15, date & 31);
    return day + platform::EncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2, 0);
}

} // namespace selection
