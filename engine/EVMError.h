// The engine's exception: a message and a code telling the driver how to go on.
#pragma once

#include <stdexcept>
#include <string>

namespace engine {

class EVMError : public std::runtime_error {
public:
    // 1: the user confirmed a stop, the whole run ends. 2: this item cannot run (logged
    // already), the run goes on with the next item.
    static constexpr int UserBreakCode = 1;
    static constexpr int ItemRefusedCode = 2;

    EVMError(const std::string& message, int code) : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

} // namespace engine
