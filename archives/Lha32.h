// LHA archives (.lzh) through UNLHA32 (prefix "Unlha"); its command builder is shared with ARJ.
#pragma once

#include "archives/Archiver.h"
#include "archives/ArchiverDll.h"

namespace archives {

class TLha32 : public TArchiver {
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
    std::string RemoveCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                              const std::string& dir, const TFileItems& files,
                              bool useResFile) override;
    std::string UpdateCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                              const std::string& dir, const TFileItems& files,
                              bool useResFile) override;
    std::string SfxCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                           const std::string& dir) override;
    std::string ExtractMemCommand(HWND wnd, const std::string& archive,
                                  const TArchiverOptions& options,
                                  const std::string& member) override;
    // Every member, no directory: the library decodes and checks each and writes nothing.
    std::string TestCommand(HWND wnd, const std::string& archive,
                            const TArchiverOptions& options) override;

    // Whether the file is an LHA archive (CheckArchive 16, then a test open). Errors answer no.
    static bool IsArchive(const std::string& fileName);

protected:
    // The shared LHA builder: command word, then "-+", every switch in its fixed order,
    // UserOptions and the common tail.
    std::string BuildCommand(const std::string& word, const std::string& archive,
                             const TArchiverOptions& options, const std::string& dir,
                             const TFileItems& files, bool useResFile) const;
};

// The process-wide UNLHA32 binding, created on first need.
TArchiverDll& Lha32Dll();

} // namespace archives
