#include "draw/report/evidence_package.h"

#include <stdlib.h>

#include "core/export/telemetry_export.h"
#include "core/report/package_contents.h"

namespace drv {

namespace {

// A private folder for the video while the package is made; removed with the object.
class WorkFolder {
public:
    WorkFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "drv-package-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

PackageResult WriteEvidencePackage(const Recording& recording, const EvidenceRequest& request,
                                   const std::filesystem::path& target, const PackageProgress& progress) {
    // Shares of the work: the report (its sums read every frame), the video, the archive.
    const double reportShare = 0.1, videoShare = request.makeVideo ? 0.6 : 0.0;
    const auto report = [&](double base, double share) {
        return [&progress, base, share](double done) { return !progress || progress(base + share * done); };
    };

    const auto content = BuildReportContent(recording, request.choices, report(0, reportShare));
    if (!content) return {PackageStatus::Cancelled, {}};
    std::string error;
    const auto pdf = ReportPdf(recording, *content, request.look, error);
    if (!pdf) return {PackageStatus::CannotWrite, "report: " + error};

    std::vector<PackageItem> items = FramePackageItems(recording);
    PackageItem pdfItem;
    pdfItem.name = kPackageReportName;
    pdfItem.contents = pdf->toStdString();
    items.push_back(std::move(pdfItem));

    WorkFolder work;
    if (request.makeVideo) {
        if (work.path().empty()) return {PackageStatus::CannotWrite, "no temporary folder for the video"};
        const auto mp4 = work.path() / kPackageVideoName;
        if (!request.makeVideo(mp4, report(reportShare, videoShare), error))
            return {error.empty() ? PackageStatus::Cancelled : PackageStatus::CannotWrite, "video: " + error};
        PackageItem video;
        video.name = kPackageVideoName;
        video.source = mp4;
        items.push_back(std::move(video));
    }

    PackageItem csv;
    csv.name = kPackageCsvName;
    csv.contents = ExportTelemetry(recording, ExportFormat::Csv);
    items.push_back(std::move(csv));

    const double base = reportShare + videoShare;
    return WritePackage(target, items, report(base, 1.0 - base));
}

}  // namespace drv
