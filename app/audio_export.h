#pragma once
// Export Audio's run: the score's MIDI bytes rendered to a sound file on a thread of its own
// while the window stays responsive, with a progress dialog whose Cancel stops the render.

#include <QObject>
#include <QProgressDialog>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/modal.h"
#include "sound/audio_format.h"
#include "sound/audio_sink.h"

namespace corvane {

// Renders `midi` to a sound file at `path` in `format`; false when `monitor` asked it to stop,
// leaving no file. Raises RenderError naming the file and the cause. Runs on a thread of its own.
using AudioRenderer = std::function<bool(const std::vector<std::uint8_t>& midi,
                                         const std::string& path, AudioFormat format,
                                         RenderMonitor& monitor)>;

// What a box says about an export that failed: a sentence, and beneath it the file and the
// cause ("PATH: REASON"), as for the other file commands.
struct ExportFailure {
    std::string text;
    std::string detail;
};

// The failure of a file name whose extension is no sound file type the program writes.
ExportFailure unknownAudioType(const std::string& path);
// The failure `error` raised by a render: a sound file that cannot be written is named beneath
// the sentence; any other error (the soundfont, the synthesizer) is its own sentence.
ExportFailure renderFailure(const std::exception& error);

class EditorView;
class AudioExportRun;

// Export Audio from the window: asks for a sound file and starts rendering what playback from
// the first measure plays, taken now so that later edits do not reach it. Null when the dialog
// was cancelled or the file's type is not one the program writes (said in a box).
std::unique_ptr<AudioExportRun> startAudioExport(QWidget* window, const AudioRenderer& render,
                                                 const ModalRunner& runModal, EditorView& editor);

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
    // was written or the export was cancelled, else the box's sentence with `detail` beneath.
    void finished(const QString& error, const QString& detail, bool cancelled);

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
    void done(const QString& error, const QString& detail, bool cancelled);

    std::unique_ptr<QProgressDialog> dialog_;
    std::atomic<int> permille_{0};
    std::atomic<bool> cancel_{false};
    Monitor monitor_{*this};
    // Started in the constructor's body, once everything it uses is ready.
    std::thread thread_;
};

}  // namespace corvane
