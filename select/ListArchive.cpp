#include "select/ListArchive.h"

#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileUtil.h"
#include "select/ListCache.h"

#include <cstring>

namespace selection {

TVMFileInfo MemberToFileInfo(const archives::TMemberInfo& member) {
    TVMFileInfo info;
    // Bounded reads: a library need not terminate its strings.
    const std::string path(member.fileName, strnlen(member.fileName, sizeof member.fileName));
    const std::size_t slash = path.rfind('/');
    info.Name = slash == std::string::npos ? path : path.substr(slash + 1);
    info.Size = member.originalSize64 != 0 ? static_cast<std::int64_t>(member.originalSize64)
                                           : static_cast<std::int64_t>(member.originalSize);
    const std::string attr = platform::LowerCase(
        std::string(member.attribute, strnlen(member.attribute, sizeof member.attribute)));
    if (attr.find('a') != std::string::npos)
        info.Attr += faArchive;
    if (attr.find('s') != std::string::npos)
        info.Attr += faSysFile;
    if (attr.find('h') != std::string::npos)
        info.Attr += faHidden;
    if (attr.find('o') != std::string::npos)
        info.Attr += faReadOnly;
    info.Time = DosDateTimeToDateTime(member.dosDate, member.dosTime);
    return info;
}

TListOutcome ListArchive(TVMFiles& list, const std::string& archive, bool useCache,
                         archives::TArchiveFile& af, archives::TArchiverType type,
                         const std::function<void(const std::string&)>& log) {
    list.Clear();
    const std::string cacheFile = ListCacheFileName(archive);
    if (platform::FileExists(cacheFile)) {
        if (useCache) {
            try {
                ReadListCache(cacheFile, list);
                return TListOutcome::Cache;
            } catch (const std::exception&) {
                // A broken cache must not end the run: drop it and ask the archive itself.
                list.Clear();
                platform::DeleteFile(cacheFile);
                if (log)
                    log(platform::FromUtf8("リストキャッシュ(") + cacheFile +
                        platform::FromUtf8(")が読めないため削除し、書庫から一覧を取得します．"));
            }
        } else {
            platform::DeleteFile(cacheFile);
        }
    }
    if (!platform::FileExists(archive))
        return TListOutcome::Archive;

    af.SetFileName(archive);
    af.Options().jso = 1;
    af.Options().jss = 1;
    af.SetArchiverType(type);
    if (!af.OpenArchive(nullptr, 2))
        return TListOutcome::Failed;
    // The libraries end a listing with -1; any other code means it stopped short of the end.
    archives::TMemberInfo member{};
    int result = af.FindFirst("*.*", member);
    for (; result == 0; result = af.FindNext(member)) {
        try {
            // Directory entries ("docs/", a foreign archive's "./") name no file.
            if (TVMFileInfo info = MemberToFileInfo(member); !info.Name.empty())
                list.Add(std::move(info));
        } catch (const platform::EConvertError&) {
            result = ARC_ERROR_TIME_STAMP; // a member time no archive of ours holds
            break;
        } catch (...) {
            af.CloseArchive();
            throw;
        }
        member = archives::TMemberInfo{};
    }
    af.CloseArchive();
    return result == -1 ? TListOutcome::Archive : TListOutcome::Failed;
}

} // namespace selection
