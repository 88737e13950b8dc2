// YZ1 archives through YZ1 or YYZ32 (prefix "Yz1"), with a password retry while listing.
#pragma once

#include "archives/Archiver.h"
#include "archives/ArchiverDll.h"

namespace archives {

class TYZ1Dll : public TArchiverDll {
public:
    TYZ1Dll();
    // Loads YZ1.DLL, else YYZ32.DLL; raises ENoArchiverDLL naming both when neither loads.
    void LoadDLL() override;
    // Remembers the window for the password dialog.
    ArcHandle OpenArchive(HWND wnd, const std::string& fileName, int mode) override;
    // While the library answers ARC_ERROR_PASSWORD_FILE (at most four more times): asks its
    // password dialog (a negative answer stops), sets the password and searches again.
    int FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) override;
    void FreeDLL() override;

private:
    HWND window_ = nullptr;
    ArcPasswordDialogFn passwordDialog_ = nullptr;
    ArcSetDefaultPasswordFn setDefaultPassword_ = nullptr;
};

class TYZ1 : public TArchiver {
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
    // Writes the stub followed by the archive as <archive>.exe.
    int MakeSfx(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                const std::string& dir, std::string& cmdLine, TOutputBuffer& output) override;

    static bool IsArchive(const std::string& fileName);

private:
    std::string Build(const std::string& word, const std::string& archive,
                      const TArchiverOptions& options, const std::string& dir,
                      const TFileItems& files, bool useResFile) const;
};

TYZ1Dll& Yz1Dll();

} // namespace archives
