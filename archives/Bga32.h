// BGA archives (.gza, .bza) through BGA32 (prefix "Bga").
#pragma once

#include "archives/Archiver.h"
#include "archives/ArchiverDll.h"

namespace archives {

class TBGA32 : public TArchiver {
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
    std::string SfxCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                           const std::string& dir) override;

    static bool IsArchive(const std::string& fileName);

private:
    std::string Build(const std::string& word, const std::string& archive,
                      const TArchiverOptions& options, const std::string& dir,
                      const TFileItems& files, bool useResFile) const;
};

} // namespace archives
