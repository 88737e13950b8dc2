#include "archivers/unlha32/LzhMethod.h"

namespace unlha {

Method MethodFromName(std::string_view name) {
    if (name == "-lh0-")
        return Method::Stored;
    if (name == "-lh1-")
        return Method::Lh1;
    if (name == "-lh4-")
        return Method::Lh4;
    if (name == "-lh5-")
        return Method::Lh5;
    if (name == "-lh6-")
        return Method::Lh6;
    if (name == "-lh7-")
        return Method::Lh7;
    if (name == "-lzs-")
        return Method::Lzs;
    if (name == "-lz5-")
        return Method::Lz5;
    if (name == "-lhd-")
        return Method::Directory;
    return Method::Unsupported;
}

const char* MethodName(Method method) {
    switch (method) {
    case Method::Stored:
        return "-lh0-";
    case Method::Lh1:
        return "-lh1-";
    case Method::Lh4:
        return "-lh4-";
    case Method::Lh5:
        return "-lh5-";
    case Method::Lh6:
        return "-lh6-";
    case Method::Lh7:
        return "-lh7-";
    case Method::Lzs:
        return "-lzs-";
    case Method::Lz5:
        return "-lz5-";
    case Method::Directory:
        return "-lhd-";
    case Method::Unsupported:
        break;
    }
    return "";
}

LzhParameters ParametersOf(Method method) {
    switch (method) {
    case Method::Lh4:
        return {12, 13, 4};
    case Method::Lh5:
        return {13, 14, 4};
    case Method::Lh6:
        return {15, 16, 5};
    default:
        return {16, 17, 5};
    }
}

} // namespace unlha
