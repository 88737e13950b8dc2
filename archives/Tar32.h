// tar, tar.gz/.Z and tar.bz2 archives through TAR32 (prefix "Tar"); the three classes share one
// binding and differ only in the compression switch.
#pragma once

#include "archives/Archiver.h"
#include "archives/ArchiverDll.h"

namespace archives {

class TTar32 : public TArchiver {
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
    std::string ExtractMemCommand(HWND wnd, const std::string& archive,
                                  const TArchiverOptions& options,
                                  const std::string& member) override;
    // Writes the stub followed by the archive as <archive>.EXE; no library call.
    int MakeSfx(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                const std::string& dir, std::string& cmdLine, TOutputBuffer& output) override;

    // The library's answer on the file's type: atTar, atTgz, atBZ2, or atNone (also on errors).
    static TArchiverType DetectType(const std::string& fileName);

protected:
    virtual void AddCompression(TCmdOpt& cmd, const TArchiverOptions& options) const;

private:
    std::string Build(const std::string& word, const std::string& archive,
                      const TArchiverOptions& options, const std::string& dir,
                      const TFileItems& files, bool useResFile) const;
};

class TTgz32 : public TTar32 {
protected:
    // "-z", or "-z" followed by the level for jm >= 1.
    void AddCompression(TCmdOpt& cmd, const TArchiverOptions& options) const override;
};

class TBZ232 : public TTar32 {
public:
    // Refused: BZ2 archives cannot be made self-extracting.
    int MakeSfx(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                const std::string& dir, std::string& cmdLine, TOutputBuffer& output) override;

protected:
    // "-B", or "-B" followed by the level for jm >= 1.
    void AddCompression(TCmdOpt& cmd, const TArchiverOptions& options) const override;
};

// The self-extracting stub of the tar formats, looked up beside the libraries.
inline constexpr const char* TarSfxStub = "tarsfx.dat";

} // namespace archives
