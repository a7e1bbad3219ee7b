#pragma once
// Export Audio's run: the score's MIDI bytes rendered to a sound file on a thread of its own
// while the window stays responsive, with a progress dialog whose Cancel stops the render.

#include <QObject>
#include <QProgressDialog>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sound/audio_format.h"
#include "sound/audio_sink.h"

namespace corvane {

// Renders `midi` to a sound file at `path` in `format`; false when `monitor` asked it to stop,
// leaving no file. Raises RenderError naming the file and the cause. Runs on a thread of its own.
using AudioRenderer = std::function<bool(const std::vector<std::uint8_t>& midi,
                                         const std::string& path, AudioFormat format,
                                         RenderMonitor& monitor)>;

// The message for a file name whose extension is no sound file type the program writes.
std::string unknownAudioTypeMessage(const std::string& path);

class AudioExportRun final : public QObject {
    Q_OBJECT

  public:
    // Starts the render at once and shows a window-modal progress dialog owned by `window`.
    AudioExportRun(QWidget* window, AudioRenderer render, std::vector<std::uint8_t> midi,
                   std::string path, AudioFormat format);
    // Stops the render if it still runs and waits for its thread.
    ~AudioExportRun() override;
    AudioExportRun(const AudioExportRun&) = delete;
    AudioExportRun& operator=(const AudioExportRun&) = delete;

    QProgressDialog& progressDialog() { return *dialog_; }

  signals:
    // Once, on the window's thread, after the thread has ended: `error` is empty when the file
    // was written or the export was cancelled.
    void finished(const QString& error, bool cancelled);

  private:
    class Monitor final : public RenderMonitor {
      public:
        explicit Monitor(AudioExportRun& run) : run_(run) {}
        void progress(double done) override;
        bool cancelled() const override { return run_.cancel_; }

      private:
        AudioExportRun& run_;
    };

    void showProgress();
    void done(const QString& error, bool cancelled);

    std::unique_ptr<QProgressDialog> dialog_;
    std::atomic<int> permille_{0};
    std::atomic<bool> cancel_{false};
    Monitor monitor_{*this};
    // Started in the constructor's body, once everything it uses is ready.
    std::thread thread_;
};

}  // namespace corvane
