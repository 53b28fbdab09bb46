#include "gui/preview/movie_player.h"

#include <QAudioOutput>
#include <QEvent>
#include <QFile>
#include <QUrl>
#include <QVideoSink>
#include <QVideoWidget>

#include "gui/preview/preview_logic.h"

namespace quorvane::gui {

MoviePlayer::MoviePlayer(QObject* parent) : QObject(parent) {}

MoviePlayer::~MoviePlayer()
{
    stopMovie();
}

bool MoviePlayer::playMovie(const std::string& path, QWidget* owner)
{
    stopMovie();
    owner_ = owner;
    player_ = new QMediaPlayer(this);
    if (!player_->isAvailable()) {
        delete player_;
        player_ = nullptr;
        return false;
    }
    audio_ = new QAudioOutput(player_);
    player_->setAudioOutput(audio_);

    // Placed by our own rule, so the widget must not letterbox again.
    video_ = new QVideoWidget(owner);
    video_->setAspectRatioMode(Qt::IgnoreAspectRatio);
    video_->hide();
    player_->setVideoOutput(video_);

    connect(player_, &QMediaPlayer::mediaStatusChanged, this, &MoviePlayer::mediaStatusChanged);
    connect(player_, &QMediaPlayer::hasVideoChanged, this, &MoviePlayer::layoutVideo);
    // Queued: the sink announces a new size while holding the lock that
    // reading the size takes again.
    connect(video_->videoSink(), &QVideoSink::videoSizeChanged, this, &MoviePlayer::layoutVideo,
            Qt::QueuedConnection);
    if (owner)
        owner->installEventFilter(this);

    player_->setSource(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
    player_->play();
    return true;
}

void MoviePlayer::stopMovie()
{
    if (owner_)
        owner_->removeEventFilter(this);
    if (player_) {
        player_->stop();
        player_->setVideoOutput(nullptr);
        delete player_;
        player_ = nullptr;
        audio_ = nullptr;
    }
    // The video leaves the owner window with the movie.
    delete video_;
}

void MoviePlayer::layoutVideo()
{
    if (!player_ || !video_ || !owner_)
        return;
    // A file without video never gives the sink a size.
    const QSize size = video_->videoSink()->videoSize();
    const std::optional<Placement> at =
        placeVideo(size.width(), size.height(), owner_->width(), owner_->height());
    if (!at) {
        video_->hide();
        return;
    }
    video_->setGeometry(at->left, at->top, at->width, at->height);
    video_->show();
}

bool MoviePlayer::isAudioOnly() const
{
    return !player_ || !player_->hasVideo();
}

bool MoviePlayer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_ && event->type() == QEvent::Resize)
        layoutVideo();
    return QObject::eventFilter(watched, event);
}

void MoviePlayer::mediaStatusChanged(QMediaPlayer::MediaStatus status)
{
    if (status != QMediaPlayer::EndOfMedia)
        return;
    // The movie repeats until another item is selected.
    if (player_->isSeekable()) {
        player_->setPosition(0);
    } else {
        player_->stop();
    }
    player_->play();
}

}  // namespace quorvane::gui
