// 7z archives through 7-zip32 (prefix "SevenZip").
#pragma once

#include "archives/Archiver.h"
#include "archives/ArchiverDll.h"

namespace archives {

class TSevenZip32 : public TArchiver {
public:
    void LoadDLL() override;
    void FreeDLL() override;
    TCustomArchiverDll& GetDll() override;

    // "x", or "e" (without paths) when x = 0.
    std::string UnpackCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                              const std::string& dir, const TFileItems& files,
                              bool useResFile) override;
    std::string PackCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                            const std::string& dir, const TFileItems& files,
                            bool useResFile) override;
    std::string RemoveCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                              const std::string& dir, const TFileItems& files,
                              bool useResFile) override;
    // Writes the stub followed by the archive as <archive>.exe; a 16-bit target (gw not > 0) is
    // refused.
    int MakeSfx(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                const std::string& dir, std::string& cmdLine, TOutputBuffer& output) override;

private:
    std::string Build(const std::string& word, bool extracting, const std::string& archive,
                      const TArchiverOptions& options, const std::string& dir,
                      const TFileItems& files, bool useResFile) const;
};

// The self-extracting stub of 7z archives, looked up beside the libraries.
inline constexpr const char* SevenZipSfxStub = "7z.sfx";

} // namespace archives
