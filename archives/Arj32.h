// ARJ archives through UNARJ32J (prefix "Unarj"), with the LHA command builder unchanged.
#pragma once

#include "archives/Lha32.h"

namespace archives {

class TArj32 : public TLha32 {
public:
    void LoadDLL() override;
    void FreeDLL() override;
    TCustomArchiverDll& GetDll() override;

    // Whether a test open of the file gives a handle. Errors answer no.
    static bool IsArchive(const std::string& fileName);
};

} // namespace archives
