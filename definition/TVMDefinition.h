// The open backup definition: its ordered items, file name, unsaved-changes flag and the four
// definition-wide settings, with loading and saving of the .VMP file.
#pragma once

#include "definition/TVMTask.h"
#include "host/RunHost.h"

#include <memory>
#include <string>
#include <vector>

namespace definition {

class TVMDefinition {
public:
    std::vector<std::unique_ptr<TVMTask>> Tasks;
    std::string FileName; // empty while untitled
    bool Modified = false;

    // Definition-wide settings; program-wide values that a new definition does not reset.
    bool MsgBeforeExec = false;
    std::string MsgBeforeExecText;
    bool CloseWhenFinished = false;
    bool ShowLog = true;

    // Frees the items (last to first) and empties the list.
    void Clear();

    // Loads FileName, reporting every problem through the host; ends with UpdateTitle and
    // RefreshList. Returns true when the whole file was read.
    bool LoadFromFile(host::TRunHost& host);
    // Writes FileName atomically (a temporary file beside it, renamed over it); Modified
    // becomes false. A failure raises platform::EFileError and leaves Modified true.
    // UpdateTitle runs in every case.
    void SaveToFile(host::TRunHost& host);

    // The byte image of the definition in the current version, and reading any version from a
    // byte image (the items read before a failure stay; the exception passes on). ReadFrom
    // returns the version's signature.
    std::string Serialize() const;
    std::string ReadFrom(TMemoryStream& stream, host::TRunHost& host);

    // Window title, unsaved marker, list and action states.
    void UpdateTitle(host::TRunHost& host) const;
    std::string Title() const;

    // Starts a new, empty, untitled definition (the settings stay).
    void New(host::TRunHost& host);
};

} // namespace definition
