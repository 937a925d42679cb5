#pragma once
// What of a recording goes into its evidence package, and under which names.
#include <string>
#include <vector>

#include "core/recording/recording.h"
#include "core/report/package.h"

namespace drv {

// The folder the original frames keep inside the package: the recording folder's own name
// (bytes as the file system gives them), or "frames" when it has none fit for an archive.
std::string PackageFolderName(const Recording& recording);

// Every frame file of the recording, in recording order, as "FOLDER/NAME" with its own time.
std::vector<PackageItem> FramePackageItems(const Recording& recording);

}  // namespace drv
