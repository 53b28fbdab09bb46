#pragma once

#include <QMediaPlayer>
#include <QObject>
#include <QPointer>
#include <QVideoWidget>

#include <string>

class QAudioOutput;

namespace quorvane::gui {

// Plays one movie at a time, looping, with its video in a child widget of
// the owner window placed by placeVideo. Files without video play their
// sound with nothing shown; files that no installed decoder can play show
// nothing. Everything runs on the window thread.
class MoviePlayer final : public QObject {
    Q_OBJECT

public:
    explicit MoviePlayer(QObject* parent = nullptr);
    ~MoviePlayer() override;

    // Stops the current movie and starts path inside owner; false when no
    // media player is available on this system.
    bool playMovie(const std::string& path, QWidget* owner);
    // Safe to call without a movie.
    void stopMovie();
    // Fits the video into the owner's client area, or hides it while there
    // is no picture to show.
    void layoutVideo();

    bool hasMovie() const { return player_ != nullptr; }
    bool isAudioOnly() const;
    QMediaPlayer* mediaPlayer() const { return player_; }
    QVideoWidget* videoWidget() const { return video_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mediaStatusChanged(QMediaPlayer::MediaStatus status);

    QPointer<QWidget> owner_;
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QPointer<QVideoWidget> video_;
};

}  // namespace quorvane::gui
