// Export Audio in the window: the sound file dialog, the format from the typed extension, the
// render off the window's thread with its progress dialog and Cancel, errors in boxes, and the
// real synthesizer writing a file.

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "editor/editor_view.h"
#include "tests/support/modal_script.h"
#include "sound/offline_renderer.h"
#include "sound/player.h"

namespace corvane {
namespace {

using test::ModalScript;

const std::string kSoundfont = CORVANE_TEST_SOUNDFONT;

// A generous guard: a render on a busy machine may take a while.
bool waitUntil(const std::function<bool()>& condition) {
    return test::waitUntil(condition, 20000);
}

// Stands in for the synthesizer: records each call and behaves as the test says. Called on the
// export's own thread.
class FakeRenderer {
  public:
    struct Call {
        std::vector<std::uint8_t> midi;
        std::string path;
        AudioFormat format;
        std::thread::id thread;
    };

    // Reports `progress`, then waits until the export is cancelled.
    bool waitForCancel = false;
    double progress = 0.5;
    std::string failure;
    // With a file, the failure is a sound file that cannot be written.
    std::string failedFile;
    std::string failedReason;

    AudioRenderer renderer() {
        return [this](const std::vector<std::uint8_t>& midi, const std::string& path,
                      AudioFormat format, RenderMonitor& monitor) {
            {
                const std::lock_guard guard(mutex_);
                calls_.push_back({midi, path, format, std::this_thread::get_id()});
            }
            monitor.progress(progress);
            if (!failure.empty() && !failedFile.empty()) {
                throw RenderError(failure, failedFile, failedReason);
            }
            if (!failure.empty()) {
                throw RenderError(failure);
            }
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (waitForCancel && !monitor.cancelled() &&
                   std::chrono::steady_clock::now() < giveUp) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            cancelSeen_ = monitor.cancelled();
            monitor.progress(1.0);
            return !monitor.cancelled();
        };
    }

    std::vector<Call> calls() {
        const std::lock_guard guard(mutex_);
        return calls_;
    }
    bool cancelSeen() const { return cancelSeen_; }

  private:
    std::mutex mutex_;
    std::vector<Call> calls_;
    std::atomic<bool> cancelSeen_{false};
};

class ExportAudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previous);
        EXPECT_TRUE(script.done()) << "answers left unused";
    }

    void open(AudioRenderer renderer) {
        WindowServices services{script.runner(), {}, std::move(renderer)};
        window = std::make_unique<MainWindow>(std::move(services));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // A score with a few notes, as the editor holds it.
    void writeSomeMusic(int measures = 1) {
        Score score;
        score.clear();
        score.addTrack(0, Treble);
        for (int m = 0; m < measures; ++m) {
            score.addMeasure(0, 240, 4);
            TrackMeasure& measure = score.tracks[0].measures.back();
            measure.clear();
            for (int n = 0; n < 4; ++n) {
                Note note;
                note.duration = 4;
                note.velocity = 100;
                note.pitches.push_back({n - 2, AccidentalNone});
                measure.push_back(note);
            }
        }
        window->editor()->replaceScore(std::move(score));
    }
    // Runs Export Audio, answering its dialog with `name` in the test's folder.
    void exportTo(const QString& name) {
        script.then(test::file(QFileDialog::AcceptSave, dir.filePath(name)));
        window->exportAudioAction()->trigger();
    }
    bool finished() { return window->audioExport() == nullptr; }
    std::string path(const QString& name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
    QString previous;
    ModalScript script;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ExportAudioTest, RendersWhatPlaybackPlaysIntoTheChosenFile) {
    FakeRenderer fake;
    open(fake.renderer());
    writeSomeMusic();
    // A click on the staff enters a note: the score has unsaved changes. Qt reports no move to
    // where the pointer already stands, so the hover comes from a neighbouring point.
    QTest::mouseMove(&window->clientArea(), QPoint(111, 81));
    QTest::mouseMove(&window->clientArea(), QPoint(110, 80));
    QTest::mouseClick(&window->clientArea(), Qt::LeftButton, {}, QPoint(110, 80));
    ASSERT_TRUE(window->editor()->dirty());
    EXPECT_TRUE(window->exportAudioAction()->isEnabled());
    exportTo("song");
    ASSERT_TRUE(waitUntil([&] { return finished(); }));
    const std::vector<FakeRenderer::Call> calls = fake.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].midi, Player::midiFileBytes(window->editor()->score(), 0));
    EXPECT_EQ(calls[0].path, path("song.wav")) << "the first file type's extension is added";
    EXPECT_EQ(calls[0].format, AudioFormat::Wav);
    EXPECT_NE(calls[0].thread, std::this_thread::get_id()) << "off the window's thread";
    EXPECT_TRUE(window->editor()->dirty()) << "exporting saves nothing";
    EXPECT_TRUE(window->exportAudioAction()->isEnabled());
}

TEST_F(ExportAudioTest, TheTypedExtensionChoosesAndAnUnknownOneIsRefused) {
    FakeRenderer fake;
    open(fake.renderer());
    writeSomeMusic();
    exportTo("song.flac");
    ASSERT_TRUE(waitUntil([&] { return finished(); }));
    exportTo("take.OGG");
    ASSERT_TRUE(waitUntil([&] { return finished(); }));
    const std::vector<FakeRenderer::Call> calls = fake.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].format, AudioFormat::Flac);
    EXPECT_EQ(calls[0].path, path("song.flac"));
    EXPECT_EQ(calls[1].format, AudioFormat::OggVorbis);

    script.then(test::file(QFileDialog::AcceptSave, dir.filePath("song.mp3")));
    script.then(test::box(QMessageBox::Ok, "Cannot export the audio file.", "Error",
                          QMessageBox::Warning));
    window->exportAudioAction()->trigger();
    EXPECT_TRUE(finished());
    EXPECT_EQ(script.seen().back().detail,
              QString::fromStdString(path("song.mp3") +
                                     ": \".mp3\" is not a sound file type Corvane writes (use "
                                     ".wav, .flac or .ogg)"));
    EXPECT_EQ(fake.calls().size(), 2u) << "nothing rendered";
}

TEST_F(ExportAudioTest, TheWindowGoesOnWhileAProgressDialogShowsAndCancels) {
    FakeRenderer fake;
    fake.waitForCancel = true;
    fake.progress = 0.25;
    open(fake.renderer());
    writeSomeMusic();
    exportTo("song.wav");
    ASSERT_NE(window->audioExport(), nullptr);
    QProgressDialog& dialog = window->audioExport()->progressDialog();
    ASSERT_TRUE(waitUntil([&] { return dialog.value() == 250; }));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowModality(), Qt::WindowModal) << "no edits while it runs";
    EXPECT_EQ(dialog.parentWidget(), window.get());
    EXPECT_TRUE(dialog.labelText().contains("song.wav"));
    EXPECT_FALSE(window->exportAudioAction()->isEnabled()) << "one export at a time";
    // The window's event loop runs meanwhile.
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    ASSERT_TRUE(waitUntil([&] { return timerRan; }));
    EXPECT_FALSE(finished());

    QPushButton* cancel = dialog.findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    ASSERT_TRUE(waitUntil([&] { return finished(); }));
    EXPECT_TRUE(fake.cancelSeen());
    EXPECT_TRUE(window->exportAudioAction()->isEnabled());
}

TEST_F(ExportAudioTest, AFailureIsShownWithTheFileAndTheReasonBeneathASentence) {
    FakeRenderer fake;
    fake.failure = "Cannot write the audio file /x/song.wav: the disk is full.";
    fake.failedFile = "/x/song.wav";
    fake.failedReason = "the disk is full";
    open(fake.renderer());
    writeSomeMusic();
    script.then(test::file(QFileDialog::AcceptSave, dir.filePath("song.wav")));
    script.then(test::box(QMessageBox::Ok, "Cannot write the audio file.", "Error",
                          QMessageBox::Warning));
    window->exportAudioAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return finished() && script.done(); }));
    EXPECT_EQ(script.seen().back().detail, "/x/song.wav: the disk is full");

    // A failure that concerns no sound file (the soundfont) stays one sentence.
    fake.failure = "The soundfont /s/gm.sf2 does not exist.";
    fake.failedFile.clear();
    script.then(test::file(QFileDialog::AcceptSave, dir.filePath("song.wav")));
    script.then(test::box(QMessageBox::Ok, QString::fromStdString(fake.failure), "Error",
                          QMessageBox::Warning));
    window->exportAudioAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return finished() && script.done(); }));
    EXPECT_EQ(script.seen().back().detail, "");
}

TEST_F(ExportAudioTest, ClosingTheWindowStopsTheExport) {
    FakeRenderer fake;
    fake.waitForCancel = true;
    open(fake.renderer());
    writeSomeMusic();
    exportTo("song.wav");
    ASSERT_TRUE(waitUntil([&] { return fake.calls().size() == 1; }));
    window->close();
    EXPECT_TRUE(fake.cancelSeen()) << "the close waited for the render to stop";
    EXPECT_EQ(window->editor(), nullptr);
}

AudioRenderer realRenderer() {
    return [](const std::vector<std::uint8_t>& midi, const std::string& path, AudioFormat format,
              RenderMonitor& monitor) {
        RenderOptions options;
        options.soundfont = kSoundfont;
        return !renderMidiToFile(midi, path, format, options, &monitor).cancelled;
    };
}

TEST_F(ExportAudioTest, TheSynthesizerWritesTheFileOrNothingWhenCancelled) {
    open(realRenderer());
    writeSomeMusic();
    exportTo("song.flac");
    ASSERT_TRUE(waitUntil([&] { return finished(); }));
    QFile written(dir.filePath("song.flac"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.read(4), "fLaC");

    // A long song, cancelled as soon as the render is under way.
    writeSomeMusic(400);
    exportTo("long.wav");
    ASSERT_NE(window->audioExport(), nullptr);
    QProgressDialog& dialog = window->audioExport()->progressDialog();
    ASSERT_TRUE(waitUntil([&] { return dialog.value() > 0 || finished(); }));
    ASSERT_FALSE(finished());
    // Escape closes the dialog as Cancel does.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return finished(); }));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"song.flac"});

    // An unwritable place: the box names the file and the cause.
    script.then(test::file(QFileDialog::AcceptSave, dir.filePath("missing/song.wav")));
    script.then(test::box(QMessageBox::Ok, "Cannot write the audio file.", "Error",
                          QMessageBox::Warning));
    writeSomeMusic();
    window->exportAudioAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return finished() && script.done(); }));
    EXPECT_EQ(script.seen().back().detail,
              QString::fromStdString(path("missing/song.wav") + ": the folder does not exist"));
}

TEST(AudioFileDialog, OffersTheThreeFileTypesAndAddsTheChosenOnesExtension) {
    QWidget owner;
    const auto dialog = makeAudioFileDialog(&owner);
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_EQ(dialog->windowTitle(), "Export Audio");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->nameFilters(),
              (QStringList{"WAV audio (*.wav)", "FLAC audio (*.flac)", "Ogg Vorbis audio (*.ogg)"}));
    EXPECT_EQ(dialog->defaultSuffix(), "wav");
    // Choosing a file type in the dialog's own list.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    // As a person picks one, with the keyboard on the list.
    for (const auto& [key, suffix] :
         {std::pair{Qt::Key_Down, "flac"}, {Qt::Key_Down, "ogg"}, {Qt::Key_Home, "wav"}}) {
        QTest::keyClick(types, key);
        EXPECT_EQ(dialog->defaultSuffix(), suffix);
    }
}

}  // namespace
}  // namespace corvane
