// The archive facade: the one component through which the program touches archives. It holds the
// switch set, picks the format class from the archive's name or contents, turns pack, unpack,
// remove and list requests into calls of the format class, and reports the libraries' progress.
#pragma once

#include "archives/ArcWindow.h"
#include "archives/Archiver.h"
#include "archives/ArchiverOptions.h"
#include "archives/ArchiverTypes.h"
#include "archives/NamedStreams.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace archives {

class TArchiveFile {
public:
    using TArchiverProgressEvent =
        std::function<void(TArchiveFile& sender, int state, TExtractingInfoEx* lpEis, bool& abort)>;
    using TArchiverEnumMemberEvent =
        std::function<void(TArchiveFile& sender, const void* enumInfo, bool& abort)>;

    TArchiveFile();
    ~TArchiveFile();
    TArchiveFile(const TArchiveFile&) = delete;
    TArchiveFile& operator=(const TArchiveFile&) = delete;

    // The archive path; NulString when none. Setting it first sets ArchiverType from the
    // extension (an unknown extension keeps the current type, ".exe" asks the libraries).
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name);

    // atLha..atBga, atYz1, at7z create the format object (loading its library: ENoArchiverDLL
    // when missing); atAutoDetect keeps the current object; atNone changes nothing; other types
    // raise EArchiver.
    TArchiverType ArchiverType() const { return archiverType_; }
    void SetArchiverType(TArchiverType type);

    // Size of the output buffer handed to the libraries (0: none).
    int OutputSize() const { return static_cast<int>(output_.size()); }
    void SetOutputSize(int size);
    const char* Output() const { return output_.empty() ? "" : output_.data(); }

    TArchiverOptions& Options() { return options_; }
    const TArchiverOptions& Options() const { return options_; }
    // The text of the last command sent to a library.
    const std::string& CommandLine() const { return commandLine_; }
    // The current format object, nullptr when none.
    TArchiver* Archiver() { return archiver_.get(); }

    TArchiverProgressEvent OnProgress;
    TArchiverEnumMemberEvent OnEnumMember;

    // Where Pack exports the named streams of the files it packs, asked on first need; unset or
    // empty: a private directory below the user's temporary directory.
    std::function<std::string()> StreamExportDir;
    // What the stream carriage of the last Pack or Unpack did (streams packed, problems met).
    const TStreamReport& StreamReport() const { return streamReport_; }

    // The operations return the library's code unchanged (0 success, 0x8000 and up errors).
    // options nullptr means the component's own. Pack returns ARC_ERROR_USER_CANCEL when its
    // own file scan was cancelled, and 0 without calling the library when it found nothing.
    int Pack(HWND wnd, const TArchiverOptions* options, const std::string& baseDir,
             const TFileItems& files);
    int Unpack(HWND wnd, const TArchiverOptions* options, const std::string& destDir,
               const TFileItems& files);
    int RemoveItems(HWND wnd, const TArchiverOptions* options, const std::string& baseDir,
                    const TFileItems& files);
    // Tests the archive FileName names: every member decoded and checked, nothing written; the
    // library's messages are in Output.
    int TestArchive(HWND wnd, const TArchiverOptions* options);
    // Listing: true when a handle was obtained. FindFirst/FindNext: 0 = a member was found.
    bool OpenArchive(HWND wnd, int mode);
    int FindFirst(const std::string& wildcard, TMemberInfo& info);
    int FindNext(TMemberInfo& info);
    void CloseArchive();

    // Type by the file's extension (atNone when unknown; ".exe" by content).
    static TArchiverType DetectByExtension(const std::string& fileName);
    // Type by asking each library in turn, a later yes replacing an earlier one.
    static TArchiverType DetectByContent(const std::string& fileName);

private:
    class TAttachment;
    friend class TAttachment;

    TArchiver& RequireArchiver();
    void HandleProgress(int state, TExtractingInfoEx* info, bool& abort);
    void StreamHook(int state, TExtractingInfoEx* info);
    static std::int32_t EnumMembersCallback(void* memberInfo);

    TArchiverType archiverType_ = atAutoDetect;
    std::unique_ptr<TArchiver> archiver_;
    TArchiverOptions options_;
    std::string fileName_ = NulString;
    std::string commandLine_;
    TOutputBuffer output_;
    std::unique_ptr<TProgressWindow> progressWindow_;
    bool streamHookSet_ = false;
    const TArchiverOptions* streamOptions_ = nullptr;
    std::vector<std::string> streamList_; // destination names of the running extraction
    TStreamReport streamReport_;
    const TArchiverOptions* runningOptions_ = nullptr;
    ArcHandle archiveHandle_ = nullptr;
};

// Creates the format object of a type and loads its library; nullptr for types without one.
std::unique_ptr<TArchiver> CreateArchiver(TArchiverType type);

} // namespace archives
