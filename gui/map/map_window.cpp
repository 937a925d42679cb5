#include "gui/map/map_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "draw/common/picture_encoding.h"
#include "core/map/track_source.h"
#include "gui/common/dialogs.h"
#include "gui/common/ui_font.h"
#include "net/map/tile_fetcher.h"
#include "gui/map/track_map.h"

namespace drv {
namespace {

const QString kTitle = QStringLiteral("地図");
constexpr int kCustomIndex = 4;

}  // namespace

QString MapWindow::defaultSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/drviewer/map.ini");
}

MapWindow::MapWindow(Dialogs& dialogs, const QString& settingsFile, const QString& cacheFolder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      dialogs_(dialogs),
      settings_(std::make_unique<QSettings>(settingsFile, QSettings::IniFormat)),
      tiles_(std::make_unique<TileFetcher>(cacheFolder)) {
    setObjectName(QStringLiteral("mapWindow"));
    setWindowTitle(kTitle);
    setFont(JapaneseUiFont());
    resize(720, 560);

    serverBox_ = new QComboBox(this);
    serverBox_->setObjectName(QStringLiteral("server"));
    serverBox_->addItems({QStringLiteral("なし（ネットワークを使わない）"), QStringLiteral("国土地理院 標準地図"),
                          QStringLiteral("国土地理院 淡色地図"), QStringLiteral("OpenStreetMap"),
                          QStringLiteral("独自のサーバー...")});
    customUrl_ = new QLineEdit(this);
    customUrl_->setObjectName(QStringLiteral("customUrl"));
    customUrl_->setPlaceholderText(QStringLiteral("https://example.org/{z}/{x}/{y}.png"));
    applyUrl_ = new QPushButton(QStringLiteral("適用"), this);
    applyUrl_->setObjectName(QStringLiteral("applyUrl"));
    auto* fit = new QPushButton(QStringLiteral("全体表示"), this);
    fit->setObjectName(QStringLiteral("fit"));
    fit->setToolTip(QStringLiteral("走行経路全体が収まるように表示します"));
    auto* save = new QPushButton(QStringLiteral("画像として保存..."), this);
    save->setObjectName(QStringLiteral("save"));
    destination_ = new QLabel(this);
    destination_->setObjectName(QStringLiteral("destination"));
    destination_->setWordWrap(true);

    map_ = new TrackMap(tiles_.get(), this);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("背景地図："), this));
    row->addWidget(serverBox_);
    row->addWidget(customUrl_, 1);
    row->addWidget(applyUrl_);
    row->addStretch();
    row->addWidget(fit);
    row->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(row);
    layout->addWidget(destination_);
    layout->addWidget(map_, 1);

    connect(serverBox_, &QComboBox::activated, this, [this](int index) {
        if (index == kCustomIndex) {
            customUrl_->setVisible(true);
            applyUrl_->setVisible(true);
            customUrl_->setFocus();
            return;
        }
        chooseServer(index);
    });
    connect(applyUrl_, &QPushButton::clicked, this, [this] { chooseServer(kCustomIndex); });
    connect(customUrl_, &QLineEdit::returnPressed, this, [this] { chooseServer(kCustomIndex); });
    connect(fit, &QPushButton::clicked, map_, &TrackMap::fit);
    connect(save, &QPushButton::clicked, this, &MapWindow::saveAsImage);
    connect(map_, &MapWidget::clicked, this, &MapWindow::mapClicked);

    restored_ = restoreGeometry(settings_->value(QStringLiteral("map/geometry")).toByteArray());
    customUrl_->setText(settings_->value(QStringLiteral("map/customUrl")).toString());
    // The remembered choice; it was allowed when it was made.
    const int remembered = std::clamp(settings_->value(QStringLiteral("map/server"), 0).toInt(), 0, kCustomIndex);
    const auto server = serverAt(remembered);
    serverIndex_ = server ? remembered : 0;
    serverBox_->setCurrentIndex(serverIndex_);
    applyServer(server ? *server : BuiltInTileServers().front());
}

MapWindow::~MapWindow() = default;

TileServer RememberedTileServer(const QString& settingsFile) {
    QSettings settings(settingsFile, QSettings::IniFormat);
    const int index = settings.value(QStringLiteral("map/server"), 0).toInt();
    if (index == kCustomIndex) {
        const auto own =
            CustomTileServer(settings.value(QStringLiteral("map/customUrl")).toString().trimmed().toStdString());
        return own ? *own : BuiltInTileServers().front();
    }
    const auto& servers = BuiltInTileServers();
    return index > 0 && index < static_cast<int>(servers.size()) ? servers[static_cast<std::size_t>(index)]
                                                                 : servers.front();
}

std::optional<TileServer> MapWindow::serverAt(int index) const {
    if (index == kCustomIndex) return CustomTileServer(customUrl_->text().trimmed().toStdString());
    const auto& servers = BuiltInTileServers();
    if (index < 0 || index >= static_cast<int>(servers.size())) return std::nullopt;
    return servers[static_cast<std::size_t>(index)];
}

bool MapWindow::chooseServer(int index) {
    const auto server = serverAt(index);
    auto refuse = [this] {
        serverBox_->setCurrentIndex(serverIndex_);
        return false;
    };
    if (!server) {
        dialogs_.message(
            this,
            QStringLiteral("地図サーバーの URL が正しくありません。\n{z} {x} {y} を含む http または https の "
                           "URL を入力してください。"),
            kTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return refuse();
    }
    if (server->kind != TileServerKind::None) {
        // Nothing is sent anywhere until the user has agreed to this host receiving requests.
        const QString host = QString::fromStdString(TileHost(server->urlTemplate));
        QStringList allowed = settings_->value(QStringLiteral("map/allowedHosts")).toStringList();
        if (!allowed.contains(host)) {
            const QString text = QStringLiteral(
                                     "背景地図を表示するため、地図の範囲を次のサーバーへ要求します。\n\n%1\n\n"
                                     "要求から事象の位置（走行した場所）がサーバーに伝わります。よろしいですか？")
                                     .arg(host);
            if (dialogs_.message(this, text, kTitle, Dialogs::Buttons::YesNo, Dialogs::Icon::Question) !=
                Dialogs::Button::Yes)
                return refuse();
            allowed << host;
            settings_->setValue(QStringLiteral("map/allowedHosts"), allowed);
        }
    }
    serverIndex_ = index;
    serverBox_->setCurrentIndex(index);
    settings_->setValue(QStringLiteral("map/server"), index);
    if (index == kCustomIndex) settings_->setValue(QStringLiteral("map/customUrl"), customUrl_->text().trimmed());
    applyServer(*server);
    return true;
}

void MapWindow::applyServer(const TileServer& server) {
    const bool custom = serverIndex_ == kCustomIndex;
    customUrl_->setVisible(custom);
    applyUrl_->setVisible(custom);
    if (server.kind == TileServerKind::None)
        destination_->setText(QStringLiteral("ネットワークは使いません。背景は方眼です。"));
    else
        destination_->setText(QStringLiteral("地図の要求先：%1（要求から事象の位置が伝わります）")
                                  .arg(QString::fromStdString(TileHost(server.urlTemplate))));
    tiles_->setServer(server);
    map_->setServer(server);
}

void MapWindow::showRecording(const Recording& recording) {
    recordingFolder_ = recording.folder;
    map_->setTrack(RecordingTrack(recording), recording.isOpen() ? recording.CurrentFrame : 0);
    setWindowTitle(recording.isOpen()
                       ? QStringLiteral("%1 - %2").arg(kTitle, PathToQString(recording.folder.filename()))
                       : kTitle);
}

void MapWindow::setCurrentFrame(int frame) { map_->setCurrentFrame(frame); }

void MapWindow::mapClicked(QPoint at) {
    if (clickAllowed_ && !clickAllowed_()) return;
    if (const auto frame = NearestFrame(map_->track(), map_->view(), at.x(), at.y(), 16)) emit frameRequested(*frame);
}

bool MapWindow::saveAsImage() {
    const QString lastFolder = settings_->value(QStringLiteral("map/saveFolder"), QDir::homePath()).toString();
    const QString name = recordingFolder_.empty()
                             ? QStringLiteral("map.png")
                             : PathToQString(recordingFolder_.filename()) + QStringLiteral("_map.png");
    const auto pick =
        dialogs_.saveFile(this, QStringLiteral("画像として保存"), QStringToPath(lastFolder + QLatin1Char('/') + name),
                          {QStringLiteral("PNG (*.png)")});
    if (pick.file.empty()) return false;
    std::filesystem::path file = pick.file;
    if (file.extension().empty()) file += ".png";
    settings_->setValue(QStringLiteral("map/saveFolder"), PathToQString(file.parent_path()));
    const QByteArray png = EncodePicture(map_->grabMap(), "png");
    return WriteFileOrTell(dialogs_, this, QStringLiteral("画像として保存"), file,
                           std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
}

void MapWindow::saveGeometryNow() { settings_->setValue(QStringLiteral("map/geometry"), saveGeometry()); }

void MapWindow::closeEvent(QCloseEvent* event) {
    saveGeometryNow();
    QWidget::closeEvent(event);
}

void MapWindow::hideEvent(QHideEvent* event) {
    saveGeometryNow();
    QWidget::hideEvent(event);
}

}  // namespace drv
