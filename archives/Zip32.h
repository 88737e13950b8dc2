// ZIP archives through UNZIP32 (reading), ZIP32J (writing) and LMZIP32 (either).
#pragma once

#include "archives/Archiver.h"
#include "archives/ZipDll.h"

#include <string_view>

namespace archives {

class TZip32 : public TArchiver {
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
    // Writes the self-extracting archive (stub + archive) and returns "-A " + its name.
    std::string SfxCommand(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                           const std::string& dir) override;
    std::string ExtractMemCommand(HWND wnd, const std::string& archive,
                                  const TArchiverOptions& options,
                                  const std::string& member) override;
    // Every member, no directory: the library decodes and checks each and writes nothing.
    std::string TestCommand(HWND wnd, const std::string& archive,
                            const TArchiverOptions& options) override;

    // Whether the file is a ZIP archive (CheckArchive 24, then a test open). Errors answer no.
    static bool IsArchive(const std::string& fileName);

private:
    enum TBuilderKind { bkReading, bkWriting, bkPlain };
    std::string Build(TBuilderKind kind, const std::string& word, const std::string& archive,
                      const TArchiverOptions& options, const std::string& dir,
                      const TFileItems& files, bool useResFile) const;
};

// The ZIP libraries' form of a file name: a leading '-' becomes "[-]" and each '[' "[[]", so
// that neither reads as a switch or a character class.
std::string ZipFileName(std::string_view name);

} // namespace archives
