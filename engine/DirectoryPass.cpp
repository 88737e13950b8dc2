#include "engine/DirectoryPass.h"

#include "engine/TVMEngine.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"
#include "select/ListCache.h"

#include <filesystem>

namespace engine {

std::string NormalisedPath(const std::string& path) {
    // "." and ".." are taken by name, so that "/a/x/../b" and "/a/b" are one directory.
    const std::string lexical =
        std::filesystem::path(platform::ExpandFileName(path)).lexically_normal().string();
    return platform::FileNameKey(platform::ExcludeTrailingPathDelimiter(lexical));
}

bool TVMEngine::ClaimArchiveDir(const std::string& src, const std::string& archiveDir) {
    const auto [it, fresh] = archiveDirOwners_.emplace(NormalisedPath(archiveDir), src);
    if (fresh)
        return true;
    state_.AddStampedLine(" Archive directory already used by " + it->second + ": " + src);
    state_.AddErrorLine(platform::FromUtf8("コピー元ディレクトリ ") + src +
                        platform::FromUtf8(" は ") + it->second +
                        platform::FromUtf8(" と同じ書庫ディレクトリ ") + archiveDir +
                        platform::FromUtf8(" を使うため処理しません．"));
    return false;
}

bool TVMEngine::RefusedForPathLength(const std::string& src, const std::string& archive) {
    // Room beside the archive for the work files of its updates and of the listing cache.
    constexpr std::size_t workFileRoom = 32;
    if (src.size() >= kMaxPath || archive.size() + workFileRoom >= kMaxPath) {
        state_.AddStampedLine(" Path too long for the system: " + src);
        state_.AddErrorLine(platform::FromUtf8("パスが長すぎるため処理しません：") + src);
        return true;
    }
    // The longest work file name beside it: the listing cache's, "." + cache name + "." + 8
    // characters + ".tmp" (the archive libraries' ones, archive name + 13, are shorter).
    const std::string cacheName = platform::ExtractFileName(selection::ListCacheFileName(archive));
    if (cacheName.size() + 14 <= kMaxName)
        return false;
    state_.AddStampedLine(" Name too long for the archive's work files: " + src);
    state_.AddErrorLine(platform::FromUtf8("ディレクトリ名が長すぎるため処理しません：") + src);
    return true;
}

bool IsOwnFileName(const std::string& name, const std::string& archive) {
    const std::string key = platform::FileNameKey(name);
    return key == platform::FileNameKey(platform::ExtractFileName(archive)) ||
           key == platform::FileNameKey(
                      platform::ExtractFileName(selection::ListCacheFileName(archive)));
}

bool TVMEngine::CollidesWithOwnFiles(const std::string& src, const std::string& subdir,
                                     const std::string& archive) {
    if (!IsOwnFileName(subdir, archive))
        return false;
    const std::string path = platform::IncludeTrailingPathDelimiter(src) + subdir;
    state_.AddStampedLine(" Subdirectory named like the archive or its cache: " + path);
    state_.AddErrorLine(
        platform::FromUtf8("サブディレクトリ名が書庫またはリストキャッシュと同じため"
                           "処理しません：") +
        path);
    return true;
}

definition::TVMTask SubdirectoryItem(const definition::TVMTask& item, const std::string& src,
                                     const std::string& subdir, const std::string& archiveDir) {
    definition::TVMTask sub;
    sub.Assign(item);
    sub.DstDir = archiveDir;
    sub.SrcDirs = platform::IncludeTrailingPathDelimiter(src) + subdir;
    sub.MsgBeforeExecution = false;
    return sub;
}

} // namespace engine
