// RAR archives through UNRAR32 (prefix "Unrar"): extraction only, to disk or into memory.
#pragma once

#include "archives/Archiver.h"
#include "archives/ArchiverDll.h"

namespace archives {

class TRar32 : public TArchiver {
public:
    void LoadDLL() override;
    void FreeDLL() override;
    TCustomArchiverDll& GetDll() override;

    // "-e" (without paths) when x = 0, else "-x".
    std::string UnpackCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                              const std::string& dir, const TFileItems& files,
                              bool useResFile) override;
    std::string ExtractMemCommand(HWND wnd, const std::string& archive,
                                  const TArchiverOptions& options,
                                  const std::string& member) override;

    static bool IsArchive(const std::string& fileName);

private:
    std::string Build(const std::string& word, const std::string& archive,
                      const TArchiverOptions& options, const std::string& dir,
                      const TFileItems& files, bool useResFile) const;
};

} // namespace archives
