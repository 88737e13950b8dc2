// The abstract format class: each archive operation is a command built by the format's builder
// and run through the format's library binding.
#pragma once

#include "archives/ArchiverOptions.h"
#include "archives/ArchiverTypes.h"
#include "archives/CmdOpt.h"
#include "archives/CustomArchiverDll.h"

#include <cstdint>
#include <string>
#include <vector>

namespace archives {

// The facade's output buffer; its size is the size passed to the library (0: none).
using TOutputBuffer = std::vector<char>;

class TArchiver {
public:
    TArchiver() = default;
    virtual ~TArchiver() = default;
    TArchiver(const TArchiver&) = delete;
    TArchiver& operator=(const TArchiver&) = delete;

    // Format classes: create the binding when needed and load it. The base raises EArchiver.
    virtual void LoadDLL();
    virtual void FreeDLL();
    virtual TCustomArchiverDll& GetDll() = 0;

    virtual ArcHandle OpenArchive(HWND wnd, const std::string& fileName, int mode);
    virtual int FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info);
    virtual int FindNext(ArcHandle archive, TMemberInfo& info);
    virtual int CloseArchive(ArcHandle archive);
    // Called once per member enumerated by the library's member callback.
    virtual void DoEnumMember(const void* memberInfo, const TArchiverOptions& options, bool& abort);

    // Drivers: build the command, store it in cmdLine, run it; the library's code is returned.
    virtual int Unpack(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                       const std::string& dir, const TFileItems& files, bool useResFile,
                       std::string& cmdLine, TOutputBuffer& output);
    virtual int Pack(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                     const std::string& dir, const TFileItems& files, bool useResFile,
                     std::string& cmdLine, TOutputBuffer& output);
    virtual int RemoveItems(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                            const std::string& dir, const TFileItems& files, bool useResFile,
                            std::string& cmdLine, TOutputBuffer& output);
    virtual int Update(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                       const std::string& dir, const TFileItems& files, bool useResFile,
                       std::string& cmdLine, TOutputBuffer& output);
    // Tests every member (decoded and its CRC checked, nothing written).
    virtual int Test(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                     std::string& cmdLine, TOutputBuffer& output);
    virtual int MakeSfx(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                        const std::string& dir, std::string& cmdLine, TOutputBuffer& output);
    virtual int ExtractMem(HWND wnd, const std::string& archive, const TArchiverOptions& options,
                           const std::string& member, unsigned char* buffer, int size,
                           std::int64_t* time, std::uint16_t* attributes, std::uint32_t* written,
                           std::string& cmdLine);
    // The binding's CheckArchive with the sum of the two modes.
    virtual int CheckArchive(const std::string& fileName, int mode1, int mode2);

    // Builders. Those a format does not offer raise EArchiver before anything reaches a library.
    virtual std::string UnpackCommand(HWND wnd, const std::string& archive,
                                      const TArchiverOptions& options, const std::string& dir,
                                      const TFileItems& files, bool useResFile) = 0;
    virtual std::string PackCommand(HWND wnd, const std::string& archive,
                                    const TArchiverOptions& options, const std::string& dir,
                                    const TFileItems& files, bool useResFile);
    virtual std::string RemoveCommand(HWND wnd, const std::string& archive,
                                      const TArchiverOptions& options, const std::string& dir,
                                      const TFileItems& files, bool useResFile);
    virtual std::string UpdateCommand(HWND wnd, const std::string& archive,
                                      const TArchiverOptions& options, const std::string& dir,
                                      const TFileItems& files, bool useResFile);
    virtual std::string SfxCommand(HWND wnd, const std::string& archive,
                                   const TArchiverOptions& options, const std::string& dir);
    virtual std::string TestCommand(HWND wnd, const std::string& archive,
                                    const TArchiverOptions& options);
    virtual std::string ExtractMemCommand(HWND wnd, const std::string& archive,
                                          const TArchiverOptions& options,
                                          const std::string& member);

    // Attaches the window for progress messages; true when the library accepted it.
    virtual bool SetOwnerWindow(HWND wnd);
    virtual bool KillOwnerWindow();
    virtual int SetEnumMembersProc(ArcEnumMembersProc proc, std::uint32_t recordSize);
    virtual int ClearEnumMembersProc();
    virtual void EnsureLoaded() { LoadDLL(); }

    // The window last attached, nullptr when none.
    HWND OwnerWindow = nullptr;

protected:
    // The tail of every command: quoted archive name, quoted directory with its trailing
    // delimiter, the files (or the response file), then UserFileList.
    static void AddCommandTail(TCmdOpt& cmd, const TArchiverOptions& options,
                               const std::string& archive, const std::string& dir,
                               const TFileItems& files, bool useResFile);
    // The files (or the response file) and UserFileList.
    static void AddFileTail(TCmdOpt& cmd, const TArchiverOptions& options, const TFileItems& files,
                            bool useResFile);
    static int RunBuffer(TCustomArchiverDll& dll, bool write, HWND wnd, const std::string& cmd,
                         TOutputBuffer& output);
};

// Writes a self-extracting archive: the stub followed by the archive, into target. Raises
// EArchiver naming the file that cannot be read or written.
void WriteSfxFile(const std::string& stub, const std::string& archive, const std::string& target);
// The archive's name with its extension replaced by ext, placed in dir when dir is given.
std::string SfxTargetName(const std::string& archive, const std::string& dir,
                          const std::string& ext);
// Finds a self-extracting stub in the directories searched for libraries; empty when absent.
std::string FindSfxStub(const std::string& name);

} // namespace archives
