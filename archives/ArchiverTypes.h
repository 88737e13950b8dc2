// Types shared by the archive facade, the library bindings and the format classes.
#pragma once

#include "ArchiverContract.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace archives {

enum TArchiverType {
    atLha,
    atZip,
    atCab,
    atArj,
    atTar,
    atTgz,
    atBZ2,
    atRar,
    atBga,
    atYz1,
    atGCA,
    atBel,
    at7z,
    atNone,
    atAutoDetect,
};

// Who expands the file list of a pack: the library, or the facade's own file scan.
enum TPackFilter { pfArchiver, pfComponent };

enum TResFileUse { ruOnPack, ruOnUnpack, ruOnRemoveItem, ruOnUpdate };

// The operations that pass their file list through the response file.
class TResFileUsage {
public:
    constexpr TResFileUsage() = default;
    constexpr TResFileUsage(std::initializer_list<TResFileUse> uses) {
        for (TResFileUse u : uses)
            bits_ |= Bit(u);
    }
    constexpr bool Contains(TResFileUse u) const { return (bits_ & Bit(u)) != 0; }
    constexpr void Include(TResFileUse u) { bits_ |= Bit(u); }
    constexpr void Exclude(TResFileUse u) { bits_ &= ~Bit(u); }
    constexpr bool operator==(const TResFileUsage&) const = default;

private:
    static constexpr std::uint8_t Bit(TResFileUse u) { return std::uint8_t(1u << u); }
    std::uint8_t bits_ = 0;
};

// A window handle as the libraries receive it; nullptr is no window.
using HWND = ArcWindow*;
// Member record filled by FindFirst / FindNext and completed by the binding.
using TMemberInfo = ArcMemberRecord;
// Progress record of "wm_arcextract".
using TExtractingInfoEx = ArcProgressInfo;

// File items of an operation, one name (or mask) each; empty items are dropped.
using TFileItems = std::vector<std::string>;

// The one-character string made of NUL: a text switch that is not given.
inline const std::string NulString(1, '\0');
inline bool IsNulString(const std::string& s) {
    return s.size() == 1 && s[0] == '\0';
}

// The member's name, never read past the record's name field.
std::string MemberName(const TMemberInfo& info);

} // namespace archives
