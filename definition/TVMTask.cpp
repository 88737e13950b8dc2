#include "definition/TVMTask.h"

#include "platform/DateTime.h"

namespace definition {

namespace {

constexpr const char* kSignature01 = "TVMTask 0.01___";
constexpr const char* kSignature02 = "TVMTask 0.02___";
constexpr const char* kSignature03 = "TVMTask 0.03___";
constexpr const char* kSignature04 = "TVMTask 0.04___";
constexpr const char* kSignature05 = "TVMTask 0.05___";

} // namespace

TVMTask::TVMTask() : TSModeDate(platform::Now()) {}

void TVMTask::Assign(const TVMTask& source) {
    *this = source;
}

void TVMTask::WriteToStream(TMemoryStream& stream) const {
    WriteSignature(stream, kSignature05);
    WriteStringToStr(stream, SrcDirs);
    WriteStringToStr(stream, DstDir);
    WriteStringToStr(stream, TargetFiles);
    WriteStringToStr(stream, SkipFiles);
    WriteBoolToStr(stream, SubDir);
    WriteBoolToStr(stream, RegExp);
    WriteBoolToStr(stream, NoDeleteFiles);
    WriteBoolToStr(stream, SaveDeletedFiles);
    WriteBoolToStr(stream, DirNameAsLzhName);
    WriteStringToStr(stream, MsgBeforeExecutionText);
    WriteBoolToStr(stream, MsgBeforeExecution);
    WriteBoolToStr(stream, IncludeHidden);
    WriteBoolToStr(stream, IncludeSystem);
    WriteBoolToStr(stream, SaveModifiedFiles);
    WriteBoolToStr(stream, EnableLzhCache);
    WriteIntegerToStr(stream, TSMode);
    WriteExtendedToStr(stream, TSModeDate);
    WriteIntegerToStr(stream, TSModeDays);
    WriteBoolToStr(stream, NoCompressFiles);
    WriteStringToStr(stream, NoCompress);
}

void TVMTask::ReadFromStream(TMemoryStream& stream) {
    const std::string signature = ReadSignature(stream);
    const bool v05 = signature == kSignature05;
    const bool v04 = signature == kSignature04;
    const bool v03 = signature == kSignature03;
    const bool v02 = signature == kSignature02;
    const bool v01 = signature == kSignature01;

    if (v04 || v05) {
        SrcDirs = ReadStringFromStr(stream);
        DstDir = ReadStringFromStr(stream);
        TargetFiles = ReadStringFromStr(stream);
        SkipFiles = ReadStringFromStr(stream);
        SubDir = ReadBoolFromStr(stream);
        RegExp = ReadBoolFromStr(stream);
        NoDeleteFiles = ReadBoolFromStr(stream);
        SaveDeletedFiles = ReadBoolFromStr(stream);
        DirNameAsLzhName = ReadBoolFromStr(stream);
        MsgBeforeExecutionText = ReadStringFromStr(stream);
        MsgBeforeExecution = ReadBoolFromStr(stream);
        IncludeHidden = ReadBoolFromStr(stream);
        IncludeSystem = ReadBoolFromStr(stream);
        SaveModifiedFiles = ReadBoolFromStr(stream);
        EnableLzhCache = ReadBoolFromStr(stream);
        if (v05) {
            TSMode = ReadIntegerFromStr(stream);
            TSModeDate = ReadExtendedFromStr(stream);
            TSModeDays = ReadIntegerFromStr(stream);
            NoCompressFiles = ReadBoolFromStr(stream);
            NoCompress = ReadStringFromStr(stream);
        }
        return;
    }
    if (v01 || v02 || v03) {
        SrcDirs = ReadStringFromStr(stream);
        DstDir = ReadStringFromStr(stream);
        TargetFiles = ReadStringFromStr(stream);
        LegacyTargetFiles = ReadStringFromStr(stream);
        SkipFiles = ReadStringFromStr(stream);
        LegacySkipFiles = ReadStringFromStr(stream);
        SubDir = ReadBoolFromStr(stream);
        RegExp = ReadBoolFromStr(stream);
        NoDeleteFiles = ReadBoolFromStr(stream);
        SaveDeletedFiles = ReadBoolFromStr(stream);
        DirNameAsLzhName = ReadBoolFromStr(stream);
        MsgBeforeExecutionText = ReadStringFromStr(stream);
        MsgBeforeExecution = ReadBoolFromStr(stream);
        if (v01) {
            IncludeHidden = false;
            IncludeSystem = false;
        } else {
            IncludeHidden = ReadBoolFromStr(stream);
            IncludeSystem = ReadBoolFromStr(stream);
        }
        SaveModifiedFiles = v03 ? ReadBoolFromStr(stream) : false;
        EnableLzhCache = true;
        return;
    }
    throw EInOutError("TVMTask.ReadFromStream: This object is not TVMTask 0.01.");
}

} // namespace definition
