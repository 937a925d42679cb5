// Writes a few recorder-style frames as the fuzzer's starting corpus.
#include <cstdio>
#include <fstream>
#include <string>

#include "core/exif/frame_writer.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    int n = 0;
    for (bool bigEndian : {false, true}) {
        for (int variant = 0; variant < 4; ++variant) {
            drv::MakerNoteFields f;
            f.speed = 52.3 + variant;
            f.brake = variant % 2;
            f.accelLongitudinal = -0.25 * variant;
            f.accelLateral = 0.12;
            f.accelAxis3 = 0.98;
            f.year = 2007, f.month = 10, f.day = 10, f.hour = 4, f.minute = 18, f.second = 59;
            f.latitudeDegrees = 35, f.latitudeMinutes = 40, f.latitudeSeconds = 41, f.latitudeTenths = 2;
            f.longitudeDegrees = 139, f.longitudeMinutes = 45, f.longitudeSeconds = 6, f.longitudeTenths = 7;
            drv::FrameExif exif;
            exif.bigEndian = bigEndian;
            exif.makerNote = drv::FormatMakerNote(f);
            drv::SetAccelerationSigns(exif, f);
            if (variant == 1) exif.set(drv::StatusBit::ExternalSwitch);
            if (variant == 2) exif.set(drv::StatusBit::TriggerMark);
            if (variant == 3) exif.set(drv::StatusBit::TriggerMarkSecondForm), exif.set(drv::StatusBit::NoMainSpeed);
            for (auto bit : {drv::StatusBit::VehicleSignals, drv::StatusBit::PowerCut, drv::StatusBit::HighFrameRate,
                             drv::StatusBit::HighQuality})
                exif.set(bit);
            exif.dateTime = exif.dateTimeOriginal = exif.dateTimeDigitized = "2007:10:10 04:18:59";
            const auto body = drv::TinyJpegBody();
            const auto frame = drv::BuildFrame(exif, body.data(), body.size());
            std::ofstream(dir + "/seed" + std::to_string(n++) + ".jpg", std::ios::binary)
                .write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
        }
    }
    return 0;
}
