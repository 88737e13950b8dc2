// CAB archives through CAB32 (prefix "Cab"): extract, create, self-extracting, into memory.
#pragma once

#include "archives/Archiver.h"
#include "archives/ArchiverDll.h"

namespace archives {

class TCab32 : public TArchiver {
public:
    void LoadDLL() override;
    void FreeDLL() override;
    TCustomArchiverDll& GetDll() override;

    std::string UnpackCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                              const std::string& dir, const TFileItems& files,
                              bool useResFile) override;
    std::string PackCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                            const std::string& dir, const TFileItems& files,
                            bool useResFile) override;
    std::string SfxCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                           const std::string& dir) override;
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
