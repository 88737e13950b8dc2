// The switch set of the archive operations: one member per library switch, plus the facade's own
// settings.
#pragma once

#include "archives/ArchiverTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace archives {

// Numeric switches in their published order: -1 (or below) means the switch is not given.
#define VELMORAN_NUMERIC_SWITCHES(X)                                                               \
    X(a)                                                                                           \
    X(c) X(e) X(f) X(h) X(i) X(l) X(m) X(n) X(o) X(p) X(r) X(s) X(t) X(u) X(x) X(y) X(z) X(jc)     \
        X(jd) X(je) X(jf) X(jh) X(ji) X(jm) X(jn) X(jp) X(jr) X(jsb) X(jsc) X(jsd) X(jse) X(jsf)   \
            X(jsl) X(jso) X(jss) X(jst) X(jsv) X(jsz) X(jw) X(jyc) X(jyd) X(jyk) X(jyn) X(jyo)     \
                X(ga) X(gd) X(ge) X(gf) X(gj) X(gm) X(gn) X(go) X(gp) X(gs) X(gu) X(gw) X(gya)     \
                    X(gyc) X(gyo) X(gyq) X(gys) X(gyx)

// Text switches: NulString means not given; an empty string is a given, empty value.
#define VELMORAN_TEXT_SWITCHES(X) X(w) X(jo) X(job) X(jz) X(gr) X(gyd) X(gye) X(gyt) X(gyw)

class TArchiverOptions {
public:
    TArchiverOptions();

    // Every numeric switch -1, every text switch NulString, jx and the texts empty, PackFilter
    // and ResFileUsage at their defaults; IncludeExtraStreams and StreamSeparator keep theirs.
    void Clear();
    // Copies every property.
    void Assign(const TArchiverOptions& source) { *this = source; }

    // A numeric switch by name ("jso"); throws std::out_of_range for an unknown name.
    std::int8_t Switch(std::string_view name) const;
    std::int8_t& Switch(std::string_view name);
    // A text switch by name ("w").
    const std::string& Text(std::string_view name) const;
    std::string& Text(std::string_view name);

#define VELMORAN_DECLARE_NUMERIC(n) std::int8_t n = -1;
    VELMORAN_NUMERIC_SWITCHES(VELMORAN_DECLARE_NUMERIC)
#undef VELMORAN_DECLARE_NUMERIC
#define VELMORAN_DECLARE_TEXT(n) std::string n = NulString;
    VELMORAN_TEXT_SWITCHES(VELMORAN_DECLARE_TEXT)
#undef VELMORAN_DECLARE_TEXT
    std::vector<std::string> jx; // exclusion patterns, one per line

    std::string UserOptions;  // appended to the switches unchanged
    std::string UserFileList; // appended after the file list unchanged
    TPackFilter PackFilter = pfComponent;
    std::string ResFileName;
    TResFileUsage ResFileUsage = DefaultResFileUsage();
    bool IncludeExtraStreams = true;
    std::string StreamSeparator = ";#";

    static TResFileUsage DefaultResFileUsage() {
        return TResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem};
    }
};

} // namespace archives
