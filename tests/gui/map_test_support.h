#pragma once
// For the map's tests: a tile server on 127.0.0.1 inside the test, and recordings that drive
// a known route (a figure eight around N 35°40' E 139°45', with gaps and a trigger).
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "tests/core/support/frame_files.h"

namespace drv::test {

// Answers GET /t/{z}/{x}/{y}.png with a plain 256 x 256 PNG of `colour`, after `delayMs`.
// It records every request and the most requests it held unanswered at once.
class LocalTileServer : public QObject {
public:
    struct Request {
        QByteArray path;
        QByteArray userAgent;
    };
    enum class Answer { Tile, NotFound, Broken, TooMany, Huge };

    QColor colour{200, 120, 40};
    int delayMs = 0;
    // Decides the answer per path; tiles by default.
    std::function<Answer(const QByteArray& path)> answer = [](const QByteArray&) { return Answer::Tile; };
    std::vector<Request> requests;
    int pending = 0;
    int maxPending = 0;

    LocalTileServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { read(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    QString urlTemplate() const { return QStringLiteral("http://127.0.0.1:%1/t/{z}/{x}/{y}.png").arg(port()); }

    static QByteArray png(const QColor& colour) {
        QImage image(256, 256, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

private:
    void read(QTcpSocket* s) {
        QByteArray& buffer = buffers_[s];
        buffer += s->readAll();
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = buffer.left(end);
            buffer.remove(0, end + 4);
            const QList<QByteArray> lines = head.split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            Request r{first.value(1), {}};
            for (const QByteArray& line : lines)
                if (line.toLower().startsWith("user-agent:")) r.userAgent = line.mid(11).trimmed();
            requests.push_back(r);
            maxPending = std::max(maxPending, ++pending);
            QTimer::singleShot(delayMs, s, [this, s, path = r.path] { respond(s, path); });
        }
    }
    void respond(QTcpSocket* s, const QByteArray& path) {
        --pending;
        QByteArray status = "200 OK", type = "image/png", body, extra;
        switch (answer(path)) {
            case Answer::Tile: body = png(colour); break;
            case Answer::NotFound: status = "404 Not Found", type = "text/plain", body = "no tile"; break;
            case Answer::Broken: body = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(300, 'x'); break;
            case Answer::TooMany:
                status = "429 Too Many Requests", type = "text/plain", body = "slow down", extra = "Retry-After: 1\r\n";
                break;
            case Answer::Huge: body = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(2 * 1024 * 1024, 'x'); break;
        }
        s->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                 "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extra + "\r\n" + body);
    }

    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> buffers_;
};

// A route around N 35°40'00.0" E 139°45'00.0": a figure eight some 2 km across, one point per
// frame at 14 fps; frames in `gaps` have no position; the trigger mark (a shock) on `trigger`.
struct RouteOptions {
    int frames = 120;
    std::set<int> gaps = {30, 31, 32, 90};
    int trigger = 60;
};

inline void RoutePosition(int frame, int frames, long& northTenths, long& eastTenths) {
    const double t = 2 * std::numbers::pi * (frame - 1) / frames;
    northTenths = std::lround(300 * std::sin(2 * t));  // 0.1" of latitude is some 3 m
    eastTenths = std::lround(400 * std::sin(t));
}

inline void MakeRouteRecording(const std::filesystem::path& dir, const RouteOptions& o = {}) {
    WriteRecording(dir, o.frames, [&](int i) {
        MakerNoteFields m;
        m.speed = 20 + 40 * (1 + std::sin(i * 0.1));
        m.pulseSpeed = m.speed;
        m.brake = i > o.trigger && i < o.trigger + 20;
        m.year = 2024, m.month = 5, m.day = 1, m.hour = 10, m.minute = i / 14 / 60, m.second = i / 14 % 60;
        if (!o.gaps.count(i)) {
            long north = 0, east = 0;
            RoutePosition(i, o.frames, north, east);
            const long lat = 35L * 36000 + 40 * 600 + north, lon = 139L * 36000 + 45 * 600 + east;
            m.latitudeDegrees = int(lat / 36000), m.latitudeMinutes = int(lat / 600 % 60);
            m.latitudeSeconds = int(lat / 10 % 60), m.latitudeTenths = int(lat % 10);
            m.longitudeDegrees = int(lon / 36000), m.longitudeMinutes = int(lon / 600 % 60);
            m.longitudeSeconds = int(lon / 10 % 60), m.longitudeTenths = int(lon % 10);
        }
        FrameExif exif;
        exif.makerNote = FormatMakerNote(m);
        SetAccelerationSigns(exif, m);
        for (StatusBit bit : {StatusBit::VehicleSignals, StatusBit::HighFrameRate, StatusBit::HighQuality})
            exif.set(bit);
        if (i == o.trigger) exif.set(StatusBit::TriggerMark);
        return exif;
    });
}

}  // namespace drv::test
