#include "compress/FileData.h"

#include "compress/TempFiles.h"
#include "platform/Fs.h"

FileData::FileData(const ZString& workingPath_, const ZString& displayName_,
                   const ZString& sourceFolder_)
    : workingPath(workingPath_), displayName(displayName_), sourceFolder(sourceFolder_) {}

FileData::~FileData() {
    if (resultPath.isEmpty() || !platform::fs::exists(resultPath)) return;
    if (!platform::fs::removeFile(resultPath)) registerTempFile(resultPath);
}
