#include "draw/sample/sample_recording.h"

#include <sys/time.h>

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QString>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "draw/common/picture_encoding.h"
#include "core/common/file_write.h"
#include "core/exif/frame_writer.h"

namespace drv {
namespace {

struct FrameState {
    double speed = 0;      // km/h
    double accelLong = 0;  // G
    double accelLat = 0;
    double accel3 = 0;
    bool brake = false;
    double northTenths = 0;  // position change in tenths of an arc second
    double eastTenths = 0;
    double distance = 0;  // metres driven, moves the road markings
};

// The road winds: the heading turns by the distance driven over this radius, more and less by
// turns, so that the car's track is a curve (a long recording loops around its start).
constexpr double kTurnRadius = 75.0;      // metres
constexpr double kStartHeading = 0.6435;  // radians clockwise from north: north-east
// A tenth of an arc second at the start point is about 3.09 m north and 2.51 m east.
constexpr double kMetresPerTenthNorth = 3.09;
constexpr double kMetresPerTenthEast = 2.51;

// A drive at about 52 km/h along a winding road, a jolt at the trigger, then braking to a stop
// with the brake on. Positions move with the speed written beside them.
std::vector<FrameState> simulate(const SampleOptions& o, int trigger) {
    std::vector<FrameState> frames(static_cast<std::size_t>(o.frames) + 1);
    double speed = 52.3;
    double north = 0, east = 0, distance = 0, heading = kStartHeading;
    const double dt = 1.0 / o.fps;
    for (int i = 1; i <= o.frames; ++i) {
        FrameState& f = frames[static_cast<std::size_t>(i)];
        const int fromTrigger = i - trigger;
        if (trigger == 0 || fromTrigger < 0) {
            speed = 52.3 + 3.0 * std::sin(i / 9.0);
            f.accelLong = 0.04 * std::cos(i / 9.0);
            f.accelLat = 0.08 * std::sin(i / 5.0);
        } else if (fromTrigger == 0) {
            f.accelLong = -0.86;
            f.accelLat = 0.37;
        } else {
            f.accelLong = speed > 0 ? -0.55 : 0.0;
            f.accelLat = fromTrigger < 3 ? -0.2 : 0.02;
            speed = std::max(0.0, speed - 0.55 * 9.81 * 3.6 * dt);
        }
        f.accel3 = 0.98 + 0.02 * std::sin(i / 3.0);
        f.brake = trigger != 0 && fromTrigger >= 0;
        f.speed = speed;
        const double metres = speed / 3.6 * dt;
        distance += metres;
        heading += metres / kTurnRadius * (1.0 + 0.5 * std::sin(distance / 120.0));
        north += metres * std::cos(heading) / kMetresPerTenthNorth;
        east += metres * std::sin(heading) / kMetresPerTenthEast;
        f.northTenths = north;
        f.eastTenths = east;
        f.distance = distance;
    }
    return frames;
}

std::string clockText(std::int64_t seconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

QImage drawPicture(int index, const FrameState& f, const std::string& clock) {
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 220);
    sky.setColorAt(0, QColor(90, 140, 210));
    sky.setColorAt(1, QColor(200, 220, 240));
    p.fillRect(0, 0, 640, 220, sky);
    p.fillRect(0, 220, 640, 260, QColor(70, 120, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 80, 85));
    p.drawPolygon(QPolygonF({QPointF(300, 220), QPointF(340, 220), QPointF(620, 480), QPointF(20, 480)}));
    // Lane dashes that move with the distance driven.
    p.setBrush(QColor(235, 235, 235));
    const double phase = std::fmod(f.distance, 6.0) / 6.0;
    for (int k = 0; k < 8; ++k) {
        const double z0 = (k + phase) / 8.0, z1 = (k + phase + 0.45) / 8.0;
        auto y = [](double z) { return 220.0 + 260.0 * z * z; };
        auto half = [](double z) { return 1.0 + 7.0 * z * z; };
        p.drawPolygon(QPolygonF({QPointF(320 - half(z0), y(z0)), QPointF(320 + half(z0), y(z0)),
                                 QPointF(320 + half(z1), y(z1)), QPointF(320 - half(z1), y(z1))}));
    }
    // Hood of the car.
    p.setBrush(QColor(30, 30, 35));
    p.drawRect(0, 440, 640, 40);
    p.setPen(Qt::white);
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    char caption[96];
    std::snprintf(caption, sizeof caption, "FRAME %04d  %s", index, clock.c_str());
    p.drawText(12, 30, QString::fromLatin1(caption));
    std::snprintf(caption, sizeof caption, "%5.1f km/h%s", f.speed, f.brake ? "  BRAKE" : "");
    p.drawText(12, 468, QString::fromLatin1(caption));
    return image;
}

bool fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

}  // namespace

std::string SampleFileName(const SampleOptions& o, int index) {
    int number = index;
    if (o.rotate >= 2 && o.frames > 0) number = (index - 1 + o.rotate - 1) % o.frames + 1;
    char name[32];
    std::snprintf(name, sizeof name, "%05d.JPG", number);
    return name;
}

bool MakeSampleRecording(const std::filesystem::path& dir, const SampleOptions& o, std::string* error) {
    if (o.frames < 1 || o.frames > 32767) return fail(error, "frames must be 1..32767");
    if (o.fps != 7 && o.fps != 14) return fail(error, "fps must be 7 or 14");
    if (o.trigger < 0 || o.trigger > o.frames) return fail(error, "trigger must be 1..frames");
    if (o.rotate < 0 || o.rotate > o.frames) return fail(error, "rotate must be 0..frames");
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) return fail(error, "cannot create folder " + dir.string());

    const int trigger = o.kind == SampleOptions::TriggerKind::None ? 0 : (o.trigger ? o.trigger : (o.frames + 1) / 2);
    const std::vector<FrameState> frames = simulate(o, trigger);
    const std::vector<std::uint8_t> tiny = TinyJpegBody();
    QByteArray plainPicture;

    for (int i = 1; i <= o.frames; ++i) {
        const FrameState& f = frames[static_cast<std::size_t>(i)];
        const std::int64_t shotAt = o.startTime + (i - 1) / o.fps;

        MakerNoteFields m;
        m.speed = o.mainSpeed ? f.speed : 0.0;
        m.pulseSpeed = o.vehicleSignals ? f.speed : 0.0;
        m.brake = o.vehicleSignals && f.brake;
        m.accelLongitudinal = f.accelLong;
        m.accelLateral = f.accelLat;
        m.accelAxis3 = f.accel3;
        const std::string clock = clockText(shotAt, "%Y %m %d %H %M %S");
        std::sscanf(clock.c_str(), "%d %d %d %d %d %d", &m.year, &m.month, &m.day, &m.hour, &m.minute, &m.second);
        // Start at N 35°40'41.2", E 139°45'06.7" and move with the car.
        const long lat = 35L * 36000 + 40 * 600 + 41 * 10 + 2 + std::lround(f.northTenths);
        const long lon = 139L * 36000 + 45 * 600 + 6 * 10 + 7 + std::lround(f.eastTenths);
        m.latitudeDegrees = static_cast<int>(lat / 36000), m.latitudeMinutes = static_cast<int>(lat / 600 % 60);
        m.latitudeSeconds = static_cast<int>(lat / 10 % 60), m.latitudeTenths = static_cast<int>(lat % 10);
        m.longitudeDegrees = static_cast<int>(lon / 36000), m.longitudeMinutes = static_cast<int>(lon / 600 % 60);
        m.longitudeSeconds = static_cast<int>(lon / 10 % 60), m.longitudeTenths = static_cast<int>(lon % 10);

        FrameExif exif;
        exif.bigEndian = o.bigEndian;
        exif.makerNote = FormatMakerNote(m);
        SetAccelerationSigns(exif, m);
        exif.dateTimeOriginal = exif.dateTimeDigitized = exif.dateTime = clockText(shotAt, "%Y:%m:%d %H:%M:%S");
        if (o.vehicleSignals) exif.set(StatusBit::VehicleSignals);
        if (o.fps == 14) exif.set(StatusBit::HighFrameRate);
        if (o.highQuality) exif.set(StatusBit::HighQuality);
        if (!o.mainSpeed) exif.set(StatusBit::NoMainSpeed);
        if (i == trigger) {
            switch (o.kind) {
                case SampleOptions::TriggerKind::Switch: exif.set(StatusBit::ExternalSwitch); break;
                case SampleOptions::TriggerKind::Shock: exif.set(StatusBit::TriggerMark); break;
                case SampleOptions::TriggerKind::PowerCut:
                    exif.set(StatusBit::TriggerMarkSecondForm);
                    exif.set(StatusBit::PowerCut);
                    break;
                case SampleOptions::TriggerKind::None: break;
            }
        }

        std::vector<std::uint8_t> bytes;
        if (o.drawPictures) {
            const QByteArray jpeg = EncodePicture(drawPicture(i, f, clockText(shotAt, "%Y/%m/%d %H:%M:%S")), "jpeg",
                                                  o.highQuality ? 85 : 40);
            if (jpeg.isEmpty()) return fail(error, "cannot encode a JPEG picture (is Qt's jpeg plugin installed?)");
            bytes = BuildFrame(exif, reinterpret_cast<const std::uint8_t*>(jpeg.constData()),
                               static_cast<std::size_t>(jpeg.size()));
        } else {
            bytes = BuildFrame(exif, tiny.data(), tiny.size());
        }
        if (bytes.empty()) return fail(error, "cannot build frame " + std::to_string(i));

        const std::filesystem::path path = dir / SampleFileName(o, i);
        const Status written =
            ReplaceFileContents(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!written) return fail(error, "cannot write " + path.string() + ": " + written.message);
        const long mtime = static_cast<long>(o.startTime + (i - 1));
        const struct timeval times[2] = {{mtime, 0}, {mtime, 0}};
        if (::utimes(path.c_str(), times) != 0) return fail(error, "cannot set the time of " + path.string());
    }
    return true;
}

}  // namespace drv
