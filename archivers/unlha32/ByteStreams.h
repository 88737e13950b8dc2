// The two ends of every data path in the library: a sink that takes bytes and a source that
// gives them. Compressed member data, extracted data and archive files all flow through these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unlha {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const uint8_t* data, std::size_t size) = 0;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills up to size bytes and returns how many; 0 only at the end of the data.
    virtual std::size_t Read(uint8_t* data, std::size_t size) = 0;
};

} // namespace unlha
