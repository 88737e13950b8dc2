// State and helpers of one loaded library (each shared object has its own copy): the owner
// window attached for progress, the guard against a second command while one runs, and the
// wrapper that turns every failure into a result code.
#pragma once

#include <cstdint>
#include <exception>
#include <new>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "OutputText.h"

namespace vmzip {

void AttachOwner(ArcWindow* window);
// Detaches window when it is the attached one; true when it was.
bool DetachOwner(ArcWindow* window);
// The window this library reports to: its own attached one, else the one a peer library
// lends (see SetPeerOwner).
ArcWindow* CurrentOwner();
using PeerOwnerFn = ArcWindow* (*)();
void SetPeerOwner(PeerOwnerFn lookup);

// Marks the library busy for the lifetime of the object.
class BusyGuard {
public:
    BusyGuard();
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    bool acquired() const { return acquired_; }

private:
    bool acquired_;
};

// Runs body (returning a result code) and catches everything: an ArcError gives its code and
// puts its message into the output, lack of memory ARC_ERROR_ENOUGH_MEMORY.
template <class Body> int32_t RunGuarded(char* output, uint32_t size, Body body) {
    BusyGuard busy;
    if (!busy.acquired())
        return ARC_ERROR_ALREADY_RUNNING;
    OutputText out(output, size);
    try {
        return body(out);
    } catch (const ArcError& e) {
        out.Line(e.what());
        return e.code();
    } catch (const std::bad_alloc&) {
        out.Line("out of memory");
        return ARC_ERROR_ENOUGH_MEMORY;
    } catch (const std::exception& e) {
        out.Line(e.what());
        return ARC_ERROR_NOT_SUPPORT;
    } catch (...) {
        return ARC_ERROR_NOT_SUPPORT;
    }
}

} // namespace vmzip
