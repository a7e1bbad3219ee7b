// The main window: its frame and menu, the event forwarding of the client area, the close
// query, the File commands with their dialogs and error boxes, and the teardown.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>
#include <atomic>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "app/client_area.h"
#include "app/file_dialogs.h"
#include "app/key_codes.h"
#include "app/main_window.h"
#include "app/report_item.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "interchange/midi_import.h"
#include "interchange/musicxml_writer.h"
#include "render/layout.h"
#include "render/qt/raster_canvas.h"
#include "tests/sound/clock_device.h"
#include "tests/support/modal_script.h"
#include "score/score_reader.h"
#include "sound/player.h"

namespace corvane {
namespace {

using test::ModalScript;
using test::waitUntil;

// A point on the top staff line area of track 0, inside the first measure's note area of an
// 800-pixel-wide client area: staff position 2.
constexpr QPoint kNoteSpot(110, 80);
constexpr QPoint kTrackHeader(20, 90);
constexpr QPoint kMeasureHeader(60, 90);

// A mouse move to `at`; Qt reports no move to where the pointer already stands, so it comes
// from a neighbouring point.
void hoverOver(QWidget* client, QPoint at) {
    QTest::mouseMove(client, at + QPoint(1, 1));
    QTest::mouseMove(client, at);
}

// Counts what reaches a widget.
class EventCounter : public QObject {
  public:
    explicit EventCounter(QWidget* target) { target->installEventFilter(this); }
    int paints = 0;
    std::vector<int> keyPresses;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        } else if (event->type() == QEvent::KeyPress) {
            keyPresses.push_back(static_cast<QKeyEvent*>(event)->key());
        }
        return false;
    }
};

// A message box with caption "Error" and the warning icon, whatever its text; the text is kept.
test::Answer errorBox(QString* text) {
    return [text](QDialog& window) {
        auto* box = qobject_cast<QMessageBox*>(&window);
        if (box == nullptr) {
            ADD_FAILURE() << "Expected an error box, got " << window.windowTitle().toStdString();
            window.reject();
            return window.result();
        }
        EXPECT_EQ(box->windowTitle(), "Error");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        *text = box->text();
        box->button(QMessageBox::Ok)->click();
        return box->result();
    };
}

test::Answer saveChanges(QMessageBox::StandardButton answer) {
    return test::box(answer, "Save changes?", "Corvane", QMessageBox::NoIcon);
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        window = std::make_unique<MainWindow>(WindowServices{script.runner(), {}});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        client = &window->clientArea();
        counter = std::make_unique<EventCounter>(client);
    }
    void TearDown() override {
        counter.reset();
        window.reset();
        QDir::setCurrent(previous);
        EXPECT_TRUE(script.done()) << "answers left unused";
    }

    EditorView& editor() { return *window->editor(); }
    QString path(const QString& name) const { return dir.filePath(name); }

    void hover(QPoint at) { hoverOver(client, at); }
    void placeNote(QPoint at = kNoteSpot) {
        hover(at);
        QTest::mouseClick(client, Qt::LeftButton, {}, at);
        ASSERT_TRUE(editor().dirty());
    }
    // Delivers every event posted so far (queued calls, repaint requests).
    void settle() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // Writes a score with `tracks` treble tracks to `name` and returns its path.
    std::string writeScore(const QString& name, int tracks) {
        Score score;
        for (int t = 1; t < tracks; ++t) {
            score.addTrack(40 + t, Bass);
        }
        score.addMeasure(2, 90, 3);
        const std::string file = path(name).toStdString();
        ScoreReader().save(file, score);
        return file;
    }

    QTemporaryDir dir;
    QString previous;
    ModalScript script;
    std::unique_ptr<MainWindow> window;
    ClientArea* client = nullptr;
    std::unique_ptr<EventCounter> counter;
};

TEST_F(MainWindowTest, FrameMenuAndTheThreeObjects) {
    EXPECT_EQ(window->windowTitle(), "Corvane");
    // The client area keeps the size an 800 x 600 window gives it: the window grows by the
    // track scroll bar at its right and the status line below.
    EXPECT_EQ(client->size(), QSize(800, 600 - window->menuBar()->height()));
    EXPECT_EQ(window->width(), 800 + window->trackScrollBar().width());
    EXPECT_EQ(window->trackScrollBar().geometry().left(), client->geometry().right() + 1);
    ASSERT_NE(window->statusBar(), nullptr);
    EXPECT_GE(window->statusBar()->geometry().top(), window->centralWidget()->geometry().bottom());
    EXPECT_NE(window->minimumSize(), window->maximumSize()) << "resizable";
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));

    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Edit");
    EXPECT_EQ(menus[2]->text(), "&Help");
    const QList<QAction*> items = menus[0]->menu()->actions();
    const struct {
        const char* text;
        QAction* action;
        QKeySequence shortcut;
    } expected[] = {{"&New", window->newAction(), QKeySequence("Ctrl+N")},
                    {"&Open...", window->openAction(), QKeySequence("Ctrl+O")},
                    {"Open &Recent", window->openRecentMenu()->menuAction(), QKeySequence()},
                    {"&Save", window->saveAction(), QKeySequence("Ctrl+S")},
                    {"Save &As...", window->saveAsAction(), QKeySequence("Ctrl+Shift+S")},
                    {"", nullptr, QKeySequence()},
                    {"&Print...", window->printAction(), QKeySequence("Ctrl+P")},
                    {"Export P&DF...", window->exportPdfAction(), QKeySequence()},
                    {"Write &Midi...", window->writeMidiAction(), QKeySequence("Ctrl+M")},
                    {"Export MusicXM&L...", window->exportMusicXmlAction(), QKeySequence()},
                    {"Export A&udio...", window->exportAudioAction(), QKeySequence()},
                    {"", nullptr, QKeySequence()},
                    {"&Import MIDI...", window->importMidiAction(), QKeySequence()},
                    {"Import Musi&cXML...", window->importMusicXmlAction(), QKeySequence()},
                    {"", nullptr, QKeySequence()},
                    {"E&xit", window->exitAction(), QKeySequence()}};
    ASSERT_EQ(items.size(), static_cast<qsizetype>(std::size(expected)));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& e = expected[i];
        EXPECT_EQ(items[i]->isSeparator(), e.action == nullptr) << i;
        if (e.action != nullptr) {
            EXPECT_EQ(items[i]->text(), e.text);
            EXPECT_EQ(items[i]->shortcut(), e.shortcut) << e.text;
            EXPECT_EQ(items[i], e.action) << e.text;
        }
    }
    EXPECT_FALSE(window->exportAudioAction()->isEnabled())
        << "no renderer was given to this window";
    EXPECT_FALSE(window->openRecentMenu()->menuAction()->isEnabled())
        << "no settings file was given to this window";

    ASSERT_NE(window->editor(), nullptr);
    ASSERT_NE(window->player(), nullptr);
    ASSERT_NE(window->scoreReader(), nullptr);
    EXPECT_EQ(editor().player(), window->player());
    EXPECT_EQ(&editor().surface(), client);
    EXPECT_FALSE(editor().resourcesFailed());
    EXPECT_EQ(editor().clientRect(), (Rect{0, 0, client->width(), client->height()}));
    EXPECT_EQ(client->width(), 800);
    EXPECT_EQ(editor().measuresPerScreen(), 2);
}

TEST_F(MainWindowTest, ResizeReachesTheEditorAndPaintShowsTheBackBuffer) {
    window->resize(1100 + window->width() - client->width(), 700);
    ASSERT_TRUE(waitUntil([&] { return editor().clientRect().right == client->width(); }));
    EXPECT_EQ(client->width(), 1100);
    EXPECT_EQ(editor().measuresPerScreen(), 3);
    EXPECT_GE(editor().score().measures.size(), 3u);
    // The window shows what the editor painted: staff lines of track 0 at y 70..110.
    const QImage shown = client->grab().toImage();
    int dark = 0;
    for (int y = 60; y < 120; ++y) {
        dark += qGray(shown.pixel(400, y)) < 64;
    }
    EXPECT_GE(dark, 5) << "five staff lines";
    EXPECT_EQ(shown.pixel(5, 300), QColor(Qt::white).rgb());
}

TEST_F(MainWindowTest, MouseMovesAskForOneLeaveNoticeAndClicksEnterNotes) {
    EXPECT_FALSE(client->mouseTracking());
    hover(kNoteSpot);
    EXPECT_TRUE(client->mouseTracking());
    EXPECT_EQ(editor().hover().mouse, (Point{kNoteSpot.x(), kNoteSpot.y()}));
    EXPECT_TRUE(editor().hover().over(HoverArea::NoteArea));
    EXPECT_NE(editor().hover().note, std::nullopt);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(client, &leave);
    EXPECT_FALSE(client->mouseTracking());
    EXPECT_TRUE(editor().hover().over(HoverArea::NoteArea)) << "the hover state stays";

    hover(kNoteSpot);
    QTest::mouseClick(client, Qt::LeftButton, {}, kNoteSpot);
    EXPECT_TRUE(editor().dirty());
    const Note& entered = editor().score().tracks[0].measures[0].front();
    ASSERT_EQ(entered.pitches.size(), 1u);
    EXPECT_EQ(entered.pitches.front().position, 2);

    QTest::mouseClick(client, Qt::RightButton, {}, kNoteSpot);
    EXPECT_TRUE(editor().score().tracks[0].measures[0].front().isRest());
}

TEST_F(MainWindowTest, KeysReachTheEditorAsKeyCodesAndCharacters) {
    QTest::keyClick(client, Qt::Key_S);
    EXPECT_EQ(editor().tools().pendingAccidental, Sharp);
    QTest::keyClick(client, Qt::Key_D, Qt::ShiftModifier);
    EXPECT_EQ(editor().tools().pendingDots, 1) << "upper case as lower";
    const int before = counter->paints;
    QTest::keyClick(client, Qt::Key_Right);
    EXPECT_EQ(editor().firstVisibleMeasure(), 1);
    QTest::keyClick(client, Qt::Key_Left);
    EXPECT_EQ(editor().firstVisibleMeasure(), 0);
    QTest::keyClick(client, Qt::Key_Space);
    EXPECT_TRUE(window->player()->isPlaying());
    QTest::keyClick(client, Qt::Key_Space);
    EXPECT_FALSE(window->player()->isPlaying());
    EXPECT_TRUE(waitUntil([&] { return counter->paints > before; }));

    // Shift's release hit-tests where the cursor stands.
    QCursor::setPos(client->mapToGlobal(kNoteSpot));
    QTest::keyPress(client, Qt::Key_Shift);
    QTest::keyRelease(client, Qt::Key_Shift);
    EXPECT_EQ(editor().hover().mouse, (Point{kNoteSpot.x(), kNoteSpot.y()}));
}

TEST(KeyCodesTest, QtKeysAsEditorKeys) {
    const std::pair<int, KeyboardKey> table[] = {
        {Qt::Key_PageUp, KeyboardKey::PageUp}, {Qt::Key_PageDown, KeyboardKey::PageDown}, {Qt::Key_End, KeyboardKey::End},
        {Qt::Key_Home, KeyboardKey::Home},     {Qt::Key_Left, KeyboardKey::Left},         {Qt::Key_Up, KeyboardKey::Up},
        {Qt::Key_Right, KeyboardKey::Right},   {Qt::Key_Shift, KeyboardKey::Shift},
    };
    for (const auto& [qt, key] : table) {
        EXPECT_EQ(editorKey(qt), key) << qt;
    }
    for (const int qt : {Qt::Key_Down, Qt::Key_Control, Qt::Key_A, Qt::Key_0, Qt::Key_F1,
                         Qt::Key_Space, Qt::Key_Escape, Qt::Key_unknown, Qt::Key_Eacute}) {
        EXPECT_EQ(editorKey(qt), std::nullopt) << qt;
    }
    for (const int key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta, Qt::Key_AltGr,
                          Qt::Key_CapsLock}) {
        EXPECT_TRUE(isModifierKey(key)) << key;
    }
    for (const int key : {Qt::Key_S, Qt::Key_Space, Qt::Key_Left, Qt::Key_Return}) {
        EXPECT_FALSE(isModifierKey(key)) << key;
    }
}

TEST_F(MainWindowTest, ShortcutsRunTheirCommandsAndNeverReachTheEditor) {
    const struct {
        Qt::Key key;
        QFileDialog::AcceptMode mode;
        const char* filter;
    } cases[] = {{Qt::Key_S, QFileDialog::AcceptSave, "Corvane files (*.cvn)"},
                 {Qt::Key_O, QFileDialog::AcceptOpen, "Corvane files (*.cvn)"},
                 {Qt::Key_M, QFileDialog::AcceptSave, "Midi files (*.mid)"}};
    for (const auto& c : cases) {
        script.then([&](QDialog& window) {
            auto* files = qobject_cast<QFileDialog*>(&window);
            EXPECT_NE(files, nullptr);
            if (files != nullptr) {
                EXPECT_EQ(files->acceptMode(), c.mode);
                EXPECT_EQ(files->nameFilters(), QStringList{c.filter});
            }
            window.reject();
            return window.result();
        });
        QTest::keyClick(client, c.key, Qt::ControlModifier);
        EXPECT_TRUE(script.done()) << c.filter;
        for (const int key : counter->keyPresses) {
            EXPECT_NE(key, c.key) << "the shortcut's key reached the client area";
        }
    }
    EXPECT_EQ(editor().tools().pendingAccidental, AccidentalNone) << "Ctrl+S typed no 's'";
    EXPECT_FALSE(editor().dirty());
}

TEST_F(MainWindowTest, ToolbarCharacterButtonsActLikeTheirKeys) {
    hover(QPoint(200, 10));
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(200, 10));  // slot 12: sharp
    EXPECT_TRUE(waitUntil([&] { return editor().tools().pendingAccidental == Sharp; }));
    script.then(test::dialog([](FixedLayoutDialog& d) {
        qobject_cast<QLineEdit*>(d.control(1040))->setText("64");
        d.press(kIdOk);
    }));
    QTest::mouseClick(client, Qt::RightButton, {}, QPoint(375, 10));  // slot 23: dynamic
    EXPECT_TRUE(waitUntil([&] { return editor().tools().pendingVelocity == 64; }));
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].title, "Dynamic");
    EXPECT_EQ(script.seen()[0].parent, window.get());
}

TEST_F(MainWindowTest, TheStatusLineSaysWhatAClickWouldDoAndToolbarSlotsHaveTips) {
    const auto* line = window->findChild<QLabel*>("hoverStatus");
    ASSERT_NE(line, nullptr);
    hover(kTrackHeader);
    EXPECT_EQ(line->text(), "Click: track properties");
    hover(kNoteSpot);
    EXPECT_TRUE(line->text().startsWith("Measure 1, Piano: place a quarter note, D5"))
        << line->text().toStdString();
    QTest::keyClick(client, Qt::Key_S);
    EXPECT_TRUE(line->text().contains("D#5")) << "the tools changed what a click enters";

    const auto tipAt = [this](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, client->mapToGlobal(at));
        QCoreApplication::sendEvent(client, &help);
    };
    tipAt(QPoint(200, 10));  // slot 12
    EXPECT_TRUE(waitUntil([] { return QToolTip::text() == "Sharp (S)"; }))
        << QToolTip::text().toStdString();
    tipAt(QPoint(100, 10));  // a gap
    EXPECT_TRUE(waitUntil([] { return QToolTip::text().isEmpty(); }));
}

TEST_F(MainWindowTest, WheelAndScrollBarMoveTheTracksByWholeTracks) {
    window->openFile(QString::fromStdString(writeScore("eight.cvn", 8)));
    settle();
    QScrollBar& bar = window->trackScrollBar();
    EXPECT_TRUE(bar.isEnabled());
    EXPECT_EQ(bar.maximum(), 7);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(bar.pageStep(), rowsInView(client->height()));

    const auto turn = [this](int angle) {
        const QPointF at(200, 90);
        QWheelEvent wheel(at, client->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(client, &wheel);
    };
    turn(-240);  // two notches towards the user
    EXPECT_EQ(editor().trackScroll(), 200);
    EXPECT_EQ(bar.value(), 2);
    EXPECT_EQ(editor().hover().track, 2) << "the track now under the pointer";
    turn(60);  // half a notch away from the user: not yet a notch
    EXPECT_EQ(editor().trackScroll(), 200);
    turn(60);
    EXPECT_EQ(editor().trackScroll(), 100);

    bar.setValue(7);
    EXPECT_EQ(editor().trackScroll(), 700);
    turn(-120);
    EXPECT_EQ(editor().trackScroll(), 700) << "the last track is as far as it goes";
    EXPECT_FALSE(editor().dirty());
}

TEST_F(MainWindowTest, ClicksOpenTheTrackAndMeasureDialogsOwnedByTheWindow) {
    script.then(test::dialog([](FixedLayoutDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Track Properties");
        qobject_cast<QAbstractButton*>(d.control(1002))->click();
        qobject_cast<QAbstractButton*>(d.control(1003 + 42))->click();
        d.press(kIdOk);
    }));
    hover(kTrackHeader);
    QTest::mouseClick(client, Qt::LeftButton, {}, kTrackHeader);
    EXPECT_EQ(editor().score().tracks[0].kind, Bass);
    EXPECT_EQ(editor().score().tracks[0].program, 42);
    EXPECT_TRUE(editor().dirty());

    script.then(test::dialog([](FixedLayoutDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Measure Properties");
        qobject_cast<QLineEdit*>(d.control(1026))->setText("300");
        d.press(kIdOk);
    }));
    hover(kMeasureHeader);
    QTest::mouseClick(client, Qt::LeftButton, {}, kMeasureHeader);
    EXPECT_EQ(editor().score().measures[0].tempo, 255);

    // Make Drums, then the drum dialog's Delete Track of the only track.
    script.then(test::dialog([](FixedLayoutDialog& d) { d.press(5); }));
    script.then(
        test::box(QMessageBox::Yes, "Deleting track to make drum track, are you sure?", "Corvane"));
    hover(kTrackHeader);
    QTest::mouseClick(client, Qt::LeftButton, {}, kTrackHeader);
    EXPECT_EQ(editor().score().tracks[0].kind, Drums);
    script.then(test::dialog([](FixedLayoutDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Drum Track Properties");
        d.press(4);
    }));
    script.then(test::box(QMessageBox::Yes, "Deleting track, are you sure?", "Corvane"));
    QTest::mouseClick(client, Qt::LeftButton, {}, kTrackHeader);
    EXPECT_TRUE(editor().score().tracks.empty());
    settle();  // a score without tracks paints just the toolbar
    for (const test::SeenWindow& seen : script.seen()) {
        if (!seen.messageBox) {
            EXPECT_EQ(seen.parent, window.get()) << seen.title.toStdString();
        }
    }
}

TEST_F(MainWindowTest, TheCompletionNoticeFromAnotherThreadStopsAndRepaints) {
    QTest::keyClick(client, Qt::Key_Space);
    ASSERT_TRUE(window->player()->isPlaying());
    settle();
    const int before = counter->paints;
    std::thread sequencer([this] { client->notifyPlaybackDone(); });
    sequencer.join();
    EXPECT_TRUE(window->player()->isPlaying()) << "handled on the window's thread";
    ASSERT_TRUE(waitUntil([&] { return !window->player()->isPlaying(); }));
    ASSERT_TRUE(waitUntil([&] { return counter->paints > before; }));
    EXPECT_TRUE(QDir(dir.path()).isEmpty()) << "nothing is written into the current folder";
}

TEST_F(MainWindowTest, CleanCloseAsksNothingAndTearsDown) {
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->editor(), nullptr);
    EXPECT_EQ(window->player(), nullptr);
    EXPECT_EQ(window->scoreReader(), nullptr);
    EXPECT_TRUE(script.seen().empty());
}

TEST_F(MainWindowTest, EventsAfterTheTeardownReachNothing) {
    placeNote();
    script.then(saveChanges(QMessageBox::No));
    ASSERT_TRUE(window->close());
    hover(kNoteSpot);
    QTest::mouseClick(client, Qt::LeftButton, {}, kNoteSpot);
    QTest::keyClick(client, Qt::Key_R);
    QTest::keyClick(client, Qt::Key_Right);
    QTest::keyClick(client, Qt::Key_S, Qt::ControlModifier);
    client->notifyPlaybackDone();
    client->resize(300, 200);
    window->save();
    window->open();
    window->writeMidi();
    window->openFile(path("none.cvn"));
    const QImage shown = client->grab().toImage();
    EXPECT_EQ(shown.pixel(10, 10), QColor(Qt::white).rgb());
    settle();
}

TEST_F(MainWindowTest, DirtyCloseAnsweredCancelKeepsTheWindow) {
    placeNote();
    script.then(saveChanges(QMessageBox::Cancel));
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(window->editor(), nullptr);
    EXPECT_TRUE(editor().dirty());
}

TEST_F(MainWindowTest, DirtyCloseAnsweredNoClosesWithoutSaving) {
    placeNote();
    script.then(saveChanges(QMessageBox::No));
    EXPECT_TRUE(window->close());
    EXPECT_EQ(window->editor(), nullptr);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(MainWindowTest, DirtyCloseAnsweredYesWithTheSaveCancelledKeepsTheWindowAndTheChanges) {
    placeNote();
    script.then(saveChanges(QMessageBox::Yes));
    script.then(test::file(QFileDialog::AcceptSave, {}));
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(window->editor(), nullptr);
    EXPECT_TRUE(editor().dirty());
}

TEST_F(MainWindowTest, DirtyCloseAnsweredYesSavesThenCloses) {
    placeNote();
    const Score edited = editor().score();
    script.then(saveChanges(QMessageBox::Yes));
    script.then(test::file(QFileDialog::AcceptSave, path("piece")));
    EXPECT_TRUE(window->close());
    EXPECT_EQ(window->editor(), nullptr);
    Score saved;
    ASSERT_TRUE(ScoreReader().load(path("piece.cvn").toStdString(), saved))
        << "the default extension is added";
    EXPECT_EQ(saved, edited);
}

TEST_F(MainWindowTest, DirtyCloseWhoseSaveFailsShowsTheErrorAndKeepsTheWindow) {
    placeNote();
    QString error;
    script.then(saveChanges(QMessageBox::Yes));
    script.then(test::file(QFileDialog::AcceptSave, path("missing/folder/piece.cvn")));
    script.then(errorBox(&error));
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(error.isEmpty());
    ASSERT_NE(window->editor(), nullptr);
    EXPECT_TRUE(editor().dirty());
    EXPECT_EQ(script.seen().back().parent, window.get());
}

TEST_F(MainWindowTest, ExitFromTheMenuIsTheCloseBox) {
    placeNote();
    script.then(saveChanges(QMessageBox::Cancel));
    window->exitAction()->trigger();
    EXPECT_TRUE(window->isVisible()) << "the close comes once the menu has finished";
    ASSERT_TRUE(waitUntil([&] { return script.done(); }));
    settle();
    EXPECT_TRUE(window->isVisible());
    script.then(saveChanges(QMessageBox::No));
    window->exitAction()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(window->editor(), nullptr);
}

TEST_F(MainWindowTest, SaveWritesTheScoreAndCleansIt) {
    placeNote();
    script.then(test::file(QFileDialog::AcceptSave, {}));
    window->saveAction()->trigger();
    EXPECT_TRUE(editor().dirty()) << "a cancelled Save changes nothing";

    QDir(dir.path()).mkdir("scores");
    script.then(test::file(QFileDialog::AcceptSave, path("scores/tune")));
    window->saveAction()->trigger();
    EXPECT_FALSE(editor().dirty());
    QFile saved(path("scores/tune.cvn"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.read(5), "CVNhd");
    EXPECT_EQ(QDir::currentPath(), QDir(path("scores")).canonicalPath())
        << "the chosen folder becomes the current directory";
}

TEST_F(MainWindowTest, TheEditMenuNamesItsStepsAndIsGreyedWithoutOne) {
    QMenu* edit = window->menuBar()->actions().at(1)->menu();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->actions(), (QList<QAction*>{window->undoAction(), window->redoAction()}));
    EXPECT_EQ(window->undoAction()->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(window->redoAction()->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_FALSE(window->undoAction()->isEnabled());
    EXPECT_FALSE(window->redoAction()->isEnabled());
    EXPECT_EQ(window->undoAction()->text(), "Undo");

    placeNote();
    const Score entered = editor().score();
    EXPECT_TRUE(window->undoAction()->isEnabled());
    EXPECT_EQ(window->undoAction()->text(), "Undo Note Entry");
    QTest::keyClick(client, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(editor().score(), entered);
    EXPECT_FALSE(editor().dirty());
    EXPECT_FALSE(window->undoAction()->isEnabled());
    EXPECT_TRUE(window->redoAction()->isEnabled());
    EXPECT_EQ(window->redoAction()->text(), "Redo Note Entry");
    QTest::keyClick(client, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(editor().score(), entered);
    EXPECT_TRUE(editor().dirty());
    window->undoAction()->trigger();
    QTest::keyClick(client, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor().score(), entered);
    EXPECT_FALSE(window->redoAction()->isEnabled());
    EXPECT_EQ(editor().tools().currentDuration, 4) << "no key reached the entry tools";
}

TEST_F(MainWindowTest, TheTitleSaysWhatIsOpenAndWhetherItChanged) {
    EXPECT_EQ(window->windowTitle(), "Corvane");
    placeNote();
    EXPECT_EQ(window->windowTitle(), "Untitled[*] - Corvane");
    EXPECT_TRUE(window->isWindowModified());

    QDir(dir.path()).mkdir("scores");
    script.then(test::file(QFileDialog::AcceptSave, path("scores/tune")));
    window->saveAction()->trigger();
    EXPECT_EQ(window->windowTitle(), "tune.cvn[*] - Corvane");
    EXPECT_FALSE(window->isWindowModified());
    placeNote(QPoint(200, 95));
    EXPECT_TRUE(window->isWindowModified());
    window->undoAction()->trigger();
    EXPECT_FALSE(window->isWindowModified()) << "back at the saved point";

    // Save asks again, in the file's folder with its name filled in.
    QDir::setCurrent(dir.path());
    script.then([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        EXPECT_NE(files, nullptr);
        if (files != nullptr) {
            EXPECT_EQ(files->directory().canonicalPath(), QDir(path("scores")).canonicalPath());
            EXPECT_EQ(files->selectedFiles().value(0), QDir(path("scores")).filePath("tune.cvn"));
        }
        dialog.reject();
        return dialog.result();
    });
    window->saveAsAction()->trigger();

    window->openFile(QString::fromStdString(writeScore("other.cvn", 2)));
    EXPECT_EQ(window->windowTitle(), "other.cvn[*] - Corvane");
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_FALSE(window->undoAction()->isEnabled()) << "an opened score starts a new history";
}

TEST_F(MainWindowTest, WriteMidiExportsAndKeepsDirty) {
    placeNote();
    script.then(test::file(QFileDialog::AcceptSave, path("song")));
    window->writeMidiAction()->trigger();
    EXPECT_TRUE(editor().dirty());
    QFile midi(path("song.mid"));
    ASSERT_TRUE(midi.open(QIODevice::ReadOnly));
    EXPECT_EQ(midi.read(4), "MThd");

    QString error;
    script.then(test::file(QFileDialog::AcceptSave, path("nowhere/song.mid")));
    script.then(errorBox(&error));
    window->writeMidiAction()->trigger();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(editor().dirty());
}

TEST_F(MainWindowTest, OpenLoadsAndShowsTheScoreFromItsFirstMeasure) {
    const std::string file = writeScore("three.cvn", 3);
    QTest::keyClick(client, Qt::Key_Right);
    hover(kNoteSpot);
    ASSERT_EQ(editor().firstVisibleMeasure(), 1);
    ASSERT_NE(editor().hover().note, std::nullopt);
    script.then(test::file(QFileDialog::AcceptOpen, QString::fromStdString(file)));
    window->openAction()->trigger();
    EXPECT_EQ(editor().score().tracks.size(), 3u);
    EXPECT_EQ(editor().score().tracks[1].kind, Bass);
    EXPECT_EQ(editor().firstVisibleMeasure(), 0);
    EXPECT_FALSE(editor().dirty());
    EXPECT_EQ(editor().hover().note, std::nullopt);
    EXPECT_EQ(editor().hover().track, 0);
    EXPECT_EQ(editor().hover().measure, 0);
}

TEST_F(MainWindowTest, OpenOnADirtyScoreAsksFirst) {
    const std::string file = writeScore("two.cvn", 2);
    placeNote();
    const Score edited = editor().score();

    script.then(saveChanges(QMessageBox::Cancel));
    window->open();
    EXPECT_EQ(editor().score(), edited) << "Cancel stops the Open";
    EXPECT_TRUE(editor().dirty());

    script.then(saveChanges(QMessageBox::Yes));
    script.then(test::file(QFileDialog::AcceptSave, {}));
    window->open();
    EXPECT_EQ(editor().score(), edited) << "a Save that did not happen stops the Open";
    EXPECT_TRUE(editor().dirty());

    script.then(saveChanges(QMessageBox::Yes));
    script.then(test::file(QFileDialog::AcceptSave, path("kept")));
    script.then(test::file(QFileDialog::AcceptOpen, {}));
    window->open();
    EXPECT_FALSE(editor().dirty()) << "saved, then the Open was cancelled";
    EXPECT_EQ(editor().score(), edited);
    EXPECT_TRUE(QFile::exists(path("kept.cvn")));

    placeNote(QPoint(150, 70));
    script.then(saveChanges(QMessageBox::No));
    script.then(test::file(QFileDialog::AcceptOpen, QString::fromStdString(file)));
    window->open();
    EXPECT_EQ(editor().score().tracks.size(), 2u);
    EXPECT_FALSE(editor().dirty());
}

TEST_F(MainWindowTest, AFileThatIsNotLoadedChangesNothing) {
    const std::string good = writeScore("good.cvn", 1);
    std::string damaged;
    {
        std::ifstream in(good, std::ios::binary);
        damaged.assign(std::istreambuf_iterator<char>(in), {});
    }
    damaged.resize(damaged.size() - 7);
    struct Bad {
        const char* name;
        std::string bytes;
    };
    const Bad bad[] = {
        {"short.cvn", damaged}, {"text.cvn", "not a score at all"}, {"empty.cvn", ""}};
    for (const Bad& b : bad) {
        std::ofstream(path(b.name).toStdString(), std::ios::binary) << b.bytes;
    }

    placeNote();
    QTest::keyClick(client, Qt::Key_Right);
    hover(kNoteSpot);
    const Score before = editor().score();
    const int first = editor().firstVisibleMeasure();
    const std::optional<NoteIndex> hovered = editor().hover().note;
    const auto unchanged = [&](const char* name) {
        EXPECT_TRUE(script.done()) << name;
        EXPECT_EQ(editor().score(), before) << name;
        EXPECT_TRUE(editor().dirty()) << name;
        EXPECT_EQ(editor().firstVisibleMeasure(), first) << name;
        EXPECT_EQ(editor().hover().note, hovered) << name;
    };
    for (const Bad& b : bad) {
        Score scratch;
        const LoadResult result = ScoreReader().load(path(b.name).toStdString(), scratch);
        ASSERT_FALSE(result) << b.name;
        ASSERT_FALSE(result.reason.empty()) << b.name;
        script.then(saveChanges(QMessageBox::No));
        script.then(test::file(QFileDialog::AcceptOpen, path(b.name)));
        script.then(test::box(QMessageBox::Ok, QString::fromStdString(result.reason), "Error",
                              QMessageBox::Warning));
        window->open();
        unchanged(b.name);
    }

    // A file that is gone by the time it is read: the file layer's own error.
    const QString vanishing = path("vanishing.cvn");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(good), vanishing));
    script.then(saveChanges(QMessageBox::No));
    script.then([&](QDialog& dialog) {
        const int result = test::file(QFileDialog::AcceptOpen, vanishing)(dialog);
        QFile::remove(vanishing);
        return result;
    });
    script.then(test::box(QMessageBox::Ok, kErrorOpenRead, "Error", QMessageBox::Warning));
    window->open();
    unchanged("vanishing.cvn");
    EXPECT_TRUE(window->isVisible());
}

// Every error box keeps its sentence and says beneath it which file failed and why.
TEST_F(MainWindowTest, ErrorBoxesNameTheFileAndTheCause) {
    QString shown;  // checked below, through what the script saw
    const auto answerError = [&] { script.then(errorBox(&shown)); };
    std::ofstream(path("junk.cvn").toStdString()) << "not a score at all";
    const QString missing = path("missing.cvn");

    answerError();
    window->openFile(missing);
    script.then(test::file(QFileDialog::AcceptSave, path("notes.txt")));
    answerError();
    window->writeMidi();
    script.then(test::file(QFileDialog::AcceptOpen, path("junk.cvn")));
    answerError();
    window->open();

    // Playback's own file cannot be written when the temporary folder is missing.
    const QString tmp = path("no-tmp");
    const bool hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray savedTmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.toUtf8());
    answerError();
    QTest::keyClick(client, Qt::Key_Space);
    // Left as it was, for the tests that run after this one in the same process.
    if (hadTmpdir) {
        qputenv("TMPDIR", savedTmpdir);
    } else {
        qunsetenv("TMPDIR");
    }
    EXPECT_FALSE(window->player()->isPlaying());

    std::vector<std::pair<QString, QString>> boxes;
    for (const test::SeenWindow& seen : script.seen()) {
        if (seen.messageBox) {
            boxes.emplace_back(seen.text, seen.detail);
        }
    }
    ASSERT_EQ(boxes.size(), 4u) << script.log();
    EXPECT_EQ(boxes[0], std::make_pair(QString(kErrorOpenRead), missing + ": no such file"));
    EXPECT_EQ(boxes[1],
              std::make_pair(QString(kErrorOpenWrite),
                             path("notes.txt") + ": a name ending in .txt is kept for text files"));
    EXPECT_EQ(boxes[2], std::make_pair(QString("This is not a Corvane score file."),
                                       path("junk.cvn")));
    EXPECT_EQ(boxes[3].first, kErrorOpenWrite);
    EXPECT_TRUE(boxes[3].second.startsWith(tmp + "/cvn-playback-")) << boxes[3].second.toStdString();
    EXPECT_TRUE(boxes[3].second.endsWith(".mid: no such folder")) << boxes[3].second.toStdString();
}

// A Standard MIDI File of one track: middle C from tick 30 for a quarter of 480 ticks, whose
// start and end the import moves to the grid and reports.
std::string writeOffGridMidi(const QString& file) {
    const unsigned char bytes[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,  //
        'M', 'T', 'r', 'k', 0, 0, 0, 13,                         //
        0x1E, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::ofstream(file.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    return file.toStdString();
}

// A file dialog that checks the file it suggests, then is cancelled.
test::Answer suggesting(QString expected) {
    return [expected](QDialog& window) {
        auto* dialog = qobject_cast<QFileDialog*>(&window);
        EXPECT_NE(dialog, nullptr);
        if (dialog != nullptr) {
            EXPECT_EQ(dialog->selectedFiles().value(0), expected);
        }
        window.reject();
        return window.result();
    };
}

TEST_F(MainWindowTest, ImportMidiMakesANewUnsavedScoreAndSaysWhatItApproximated) {
    QDir(dir.path()).mkdir("in");
    const std::string midi = writeOffGridMidi(path("in/tune.mid"));
    QTest::keyClick(client, Qt::Key_Right);
    ASSERT_EQ(editor().firstVisibleMeasure(), 1);
    script.then(test::file(QFileDialog::AcceptOpen, {}));
    window->importMidiAction()->trigger();
    EXPECT_EQ(editor().firstVisibleMeasure(), 1) << "a cancelled dialog changes nothing";

    script.then(test::file(QFileDialog::AcceptOpen, QString::fromStdString(midi)));
    window->importMidiAction()->trigger();
    EXPECT_EQ(editor().score(), importMidiFile(midi).score);
    EXPECT_TRUE(editor().dirty());
    EXPECT_EQ(editor().firstVisibleMeasure(), 0);
    EXPECT_EQ(window->session()->documentPath(), "");
    EXPECT_EQ(window->windowTitle(), "Untitled[*] - Corvane");
    EXPECT_TRUE(window->isWindowModified());
    const std::vector<std::string> report = importMidiFile(midi).report;
    ASSERT_EQ(report.size(), 2u);
    // The report stands beside the status line, which keeps its room, until it is dismissed.
    EXPECT_TRUE(window->report().isVisible());
    EXPECT_EQ(window->report().summary(), "tune.mid: imported with approximations");
    EXPECT_EQ(window->report().details(), QString::fromStdString(report[0] + "\n" + report[1]));
    EXPECT_EQ(window->statusBar()->currentMessage(), "");
    // Its Details button shows all of it; the report stays until dismissed.
    script.then(test::box(QMessageBox::Ok, "tune.mid: imported with approximations", "Corvane",
                          QMessageBox::Information));
    window->report().detailsButton().click();
    ASSERT_FALSE(script.seen().empty());
    EXPECT_EQ(script.seen().back().detail, window->report().details());
    EXPECT_TRUE(window->report().isVisible());
    window->report().dismissButton().click();
    EXPECT_FALSE(window->report().isVisible());
    EXPECT_EQ(window->report().summary(), "");

    // Save suggests the MIDI file's name as a score file, beside it.
    script.then(suggesting(QDir(path("in")).absoluteFilePath("tune.cvn")));
    window->saveAction()->trigger();
    script.then(test::file(QFileDialog::AcceptSave, path("in/tune.cvn")));
    window->saveAction()->trigger();
    EXPECT_FALSE(editor().dirty());
    EXPECT_EQ(window->session()->saveSuggestion(), path("in/tune.cvn").toStdString())
        << "once saved, Save offers the file it went to";
    Score saved;
    ASSERT_TRUE(ScoreReader().load(path("in/tune.cvn").toStdString(), saved));
    EXPECT_EQ(saved, editor().score());
}

TEST_F(MainWindowTest, ImportMidiOnADirtyScoreAsksFirstAndABadFileChangesNothing) {
    const std::string midi = writeOffGridMidi(path("tune.mid"));
    placeNote();
    const Score edited = editor().score();
    script.then(saveChanges(QMessageBox::Cancel));
    window->importMidi();
    EXPECT_EQ(editor().score(), edited) << "Cancel stops the import";

    std::ofstream(path("fake.mid").toStdString()) << "not a MIDI file at all";
    script.then(saveChanges(QMessageBox::No));
    script.then(test::file(QFileDialog::AcceptOpen, path("fake.mid")));
    QString error;
    script.then(errorBox(&error));
    window->importMidi();
    EXPECT_EQ(editor().score(), edited);
    EXPECT_TRUE(editor().dirty());
    EXPECT_EQ(script.seen().back().detail, path("fake.mid"));
    try {
        importMidiFile(path("fake.mid").toStdString());
        ADD_FAILURE() << "imported";
    } catch (const ImportError& refused) {
        EXPECT_EQ(error, refused.what());
    }

    script.then(saveChanges(QMessageBox::No));
    script.then(test::file(QFileDialog::AcceptOpen, QString::fromStdString(midi)));
    window->importMidi();
    EXPECT_EQ(editor().score(), importMidiFile(midi).score);
}

TEST_F(MainWindowTest, ExportMusicXmlWritesTheScoreAndKeepsItDirty) {
    placeNote();
    script.then(test::file(QFileDialog::AcceptSave, path("song")));
    window->exportMusicXmlAction()->trigger();
    EXPECT_TRUE(editor().dirty());
    QFile written(path("song.musicxml"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(), musicXmlText(editor().score()));

    QString error;
    script.then(test::file(QFileDialog::AcceptSave, path("nowhere/song.musicxml")));
    script.then(errorBox(&error));
    window->exportMusicXml();
    EXPECT_EQ(error, kErrorOpenWrite);
    EXPECT_EQ(script.seen().back().detail, path("nowhere/song.musicxml") + ": no such folder");
}

TEST_F(MainWindowTest, AScoreHandedOverByTheDesktopOpens) {
    QDir(dir.path()).mkdir("in");
    const std::string file = writeScore("in/given.cvn", 2);
    window->openFile(QString::fromStdString(file));
    EXPECT_EQ(editor().score().tracks.size(), 2u);
    EXPECT_FALSE(editor().dirty());
    EXPECT_EQ(QDir::currentPath(), QDir(path("in")).canonicalPath());

    script.then(test::box(QMessageBox::Ok, "Error opening a file to read.", "Error"));
    window->openFile(path("in/missing.cvn"));
    EXPECT_EQ(editor().score().tracks.size(), 2u);
}

class FileDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }
    QTemporaryDir dir;
    QString previous;
};

TEST_F(FileDialogTest, EachKindAsksForItsOwnFiles) {
    const struct {
        FileDialogKind kind;
        QFileDialog::AcceptMode mode;
        QFileDialog::FileMode fileMode;
        const char* filter;
        const char* suffix;
        const char* title;
    } cases[] = {
        {FileDialogKind::Save, QFileDialog::AcceptSave, QFileDialog::AnyFile,
         "Corvane files (*.cvn)", "cvn", "Save As"},
        {FileDialogKind::Open, QFileDialog::AcceptOpen, QFileDialog::ExistingFile,
         "Corvane files (*.cvn)", "cvn", "Open"},
        {FileDialogKind::WriteMidi, QFileDialog::AcceptSave, QFileDialog::AnyFile,
         "Midi files (*.mid)", "mid", "Save As"},
        {FileDialogKind::ExportMusicXml, QFileDialog::AcceptSave, QFileDialog::AnyFile,
         "MusicXML files (*.musicxml)", "musicxml", "Export MusicXML"},
        {FileDialogKind::ImportMidi, QFileDialog::AcceptOpen, QFileDialog::ExistingFile,
         "MIDI files (*.mid *.midi)", "mid", "Import MIDI"},
        {FileDialogKind::ImportMusicXml, QFileDialog::AcceptOpen, QFileDialog::ExistingFile,
         "MusicXML files (*.musicxml *.xml *.mxl)", "musicxml", "Import MusicXML"},
        {FileDialogKind::ExportPdf, QFileDialog::AcceptSave, QFileDialog::AnyFile,
         "PDF files (*.pdf)", "pdf", "Export PDF"},
    };
    QWidget owner;
    for (const auto& c : cases) {
        const auto dialog = makeFileDialog(&owner, c.kind);
        EXPECT_EQ(dialog->parentWidget(), &owner);
        EXPECT_EQ(dialog->acceptMode(), c.mode);
        EXPECT_EQ(dialog->fileMode(), c.fileMode);
        EXPECT_EQ(dialog->nameFilters(), QStringList{c.filter});
        EXPECT_EQ(dialog->defaultSuffix(), c.suffix);
        EXPECT_EQ(dialog->windowTitle(), c.title);
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog->directory().canonicalPath(), QDir(dir.path()).canonicalPath());
    }
}

TEST_F(FileDialogTest, AConfirmedDialogMovesTheCurrentDirectory) {
    QDir(dir.path()).mkdir("a");
    ModalScript script;
    script.then(test::file(QFileDialog::AcceptSave, dir.filePath("a/x")));
    const auto chosen = chooseFile(nullptr, FileDialogKind::WriteMidi, script.runner());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QString::fromStdString(*chosen), QDir(dir.filePath("a")).absoluteFilePath("x.mid"));
    EXPECT_EQ(QDir::currentPath(), QDir(dir.filePath("a")).canonicalPath());

    script.then(test::file(QFileDialog::AcceptOpen, {}));
    EXPECT_FALSE(chooseFile(nullptr, FileDialogKind::Open, script.runner()).has_value());
    EXPECT_EQ(QDir::currentPath(), QDir(dir.filePath("a")).canonicalPath())
        << "a cancelled dialog moves nothing";
}

TEST_F(FileDialogTest, SavingOverAnExistingFileAsksFirst) {
    std::ofstream(dir.filePath("old.cvn").toStdString()) << "x";
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        // The overwrite question is the file dialog's own; answer it once it is up.
        QTimer::singleShot(0, [answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(answer)->click();
        });
        ModalScript script;
        script.then(test::file(QFileDialog::AcceptSave, dir.filePath("old.cvn")));
        const auto chosen = chooseFile(nullptr, FileDialogKind::Save, script.runner());
        EXPECT_EQ(chosen.has_value(), answer == QMessageBox::Yes);
    }
}

// A sound device that says what it is told to about its sound, from a thread of its own as a
// device finishing its set-up does; of what it is sent, it counts the Note Ons.
class ReportingDevice final : public SoundDevice {
  public:
    bool openLiveOutput() override { return true; }
    void closeLiveOutput() override {}
    void noteOn(int, int, int) override { ++noteOns; }
    void noteOff(int, int) override {}
    void programChange(int, int) override {}
    SequencerId openSequencer(const std::string&) override { return 0; }
    void playSequencer(SequencerId, NotifyTarget&) override {}
    void closeSequencer(SequencerId) override {}
    void reportStatus(StatusTarget& target) override {
        const std::lock_guard guard(mutex_);
        targets_.push_back(&target);
    }
    void stopReporting(StatusTarget& target) override {
        const std::lock_guard guard(mutex_);
        std::erase(targets_, &target);
    }

    void report(const std::string& problem) {
        std::thread([this, problem] {
            const std::lock_guard guard(mutex_);
            for (StatusTarget* target : targets_) {
                target->soundStatusKnown(problem);
            }
        }).join();
    }
    std::size_t listeners() {
        const std::lock_guard guard(mutex_);
        return targets_.size();
    }

    std::atomic<int> noteOns{0};

  private:
    std::mutex mutex_;
    std::vector<StatusTarget*> targets_;
};

class SoundStatusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(WindowServices{script.runner(), {}, {}, device});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        clientSize = window->clientArea().size();
    }
    void TearDown() override { window.reset(); }
    QLabel* statusLine() const { return window->findChild<QLabel*>("soundStatus"); }

    std::shared_ptr<ReportingDevice> device = std::make_shared<ReportingDevice>();
    ModalScript script;
    std::unique_ptr<MainWindow> window;
    QSize clientSize;
};

TEST_F(SoundStatusTest, MissingSoundIsSaidOnceBelowTheClientAreaWhichKeepsItsSize) {
    EXPECT_EQ(device->listeners(), 1u);
    EXPECT_EQ(statusLine(), nullptr) << "nothing to say yet";
    const std::string problem = "No sound: no audio output. Editing, saving and export still work.";
    device->report(problem);
    ASSERT_TRUE(waitUntil([&] { return statusLine() != nullptr; }));
    // A word in the line, the whole explanation in its tooltip.
    EXPECT_EQ(statusLine()->text().toStdString(), "No sound");
    EXPECT_EQ(statusLine()->toolTip().toStdString(), problem);
    ASSERT_TRUE(waitUntil([&] { return statusLine()->isVisible(); }));
    // The notice stands at the right of the line, beside what a click would do.
    const auto* hoverLine = window->findChild<QLabel*>("hoverStatus");
    ASSERT_NE(hoverLine, nullptr);
    EXPECT_EQ(statusLine()->parentWidget(), hoverLine->parentWidget());
    EXPECT_GT(statusLine()->geometry().left(), hoverLine->geometry().left());
    EXPECT_TRUE(waitUntil([&] { return window->clientArea().size() == clientSize; }))
        << window->clientArea().height() << " instead of " << clientSize.height();
    EXPECT_EQ(window->editor()->clientRect(),
              (Rect{0, 0, clientSize.width(), clientSize.height()}));
    EXPECT_TRUE(script.seen().empty()) << "no box";
    // Editing goes on as before.
    hoverOver(&window->clientArea(), kNoteSpot);
    QTest::mouseClick(&window->clientArea(), Qt::LeftButton, {}, kNoteSpot);
    EXPECT_TRUE(window->editor()->dirty());
    EXPECT_EQ(window->findChildren<QLabel*>("soundStatus").size(), 1);

    script.then(saveChanges(QMessageBox::No));
    ASSERT_TRUE(window->close());
    EXPECT_EQ(device->listeners(), 0u) << "a closed window is not told any more";
}

TEST_F(SoundStatusTest, TheWindowsPlayerSoundsOnTheDeviceItWasGiven) {
    hoverOver(&window->clientArea(), kNoteSpot);
    QTest::mouseClick(&window->clientArea(), Qt::LeftButton, {}, kNoteSpot);
    ASSERT_TRUE(window->editor()->dirty());
    window->player()->waitForPreviews();
    EXPECT_EQ(device->noteOns, 1);
}

TEST_F(SoundStatusTest, WorkingSoundShowsNoStatusLine) {
    device->report("");
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(statusLine(), nullptr);
    EXPECT_EQ(window->clientArea().size(), clientSize);
}

// The window draws the marker over what the painter made: the back buffer never shows it.
TEST(PlaybackMarkerInTheWindow, FollowsTheSoundWhilePlayingAndGoesWithStop) {
    ModalScript script;
    const auto device = std::make_shared<test::ClockDevice>();
    MainWindow window(WindowServices{script.runner(), {}, {}, device});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ClientArea& client = window.clientArea();
    EXPECT_FALSE(client.playbackMarker());
    QTest::keyClick(&client, Qt::Key_Space);
    ASSERT_TRUE(window.editor()->playing());
    EXPECT_TRUE(client.playbackClock().isActive());
    ASSERT_TRUE(waitUntil([&] { return client.playbackMarker().has_value(); }));
    EXPECT_EQ(client.playbackMarker()->measure.left, window.editor()->layout().measures[0].left);

    device->tick = 96 + 48;  // half way through the second measure
    ASSERT_TRUE(waitUntil([&] {
        return client.playbackMarker() &&
               client.playbackMarker()->measure.left == window.editor()->layout().measures[1].left;
    }));
    const PlaybackMarker marker = *client.playbackMarker();
    const int y = marker.measure.top + 3;
    const QImage shown = client.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(marker.lineX, y)), QColor(30, 90, 200));
    const auto* buffer =
        dynamic_cast<const RasterCanvas*>(window.editor()->drawing().backBuffer.get());
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(QColor(buffer->image().pixel(marker.lineX, y)), QColor(Qt::white))
        << "the painter's picture has no marker";
    EXPECT_NE(shown.pixel(marker.measure.left + 2, y), buffer->image().pixel(marker.measure.left + 2, y))
        << "the measure heard is tinted";

    QTest::keyClick(&client, Qt::Key_Space);
    EXPECT_FALSE(window.editor()->playing());
    ASSERT_TRUE(waitUntil([&] { return !client.playbackMarker(); }));
    EXPECT_FALSE(client.playbackClock().isActive());
    EXPECT_EQ(window.editor()->firstVisibleMeasure(), 0);
    script.then(saveChanges(QMessageBox::No));
    window.close();
}

class FailingWindowTest : public ::testing::Test {};

TEST_F(FailingWindowTest, WithoutDrawingResourcesItSaysSoAndCloses) {
    ModalScript script;
    script.then(test::box(QMessageBox::Ok, "Couldn't load graphical objects.", "Error",
                          QMessageBox::Warning));
    MainWindow window(
        WindowServices{script.runner(), [](int, int) { return std::unique_ptr<Canvas>(); }});
    EXPECT_TRUE(script.done()) << "the box comes while the window is created";
    ASSERT_NE(window.editor(), nullptr);
    EXPECT_TRUE(window.editor()->resourcesFailed());
    window.show();
    // Shown and painted as a plain page before it goes.
    const QImage shown = window.clientArea().grab().toImage();
    EXPECT_EQ(shown.pixel(50, 90), QColor(Qt::white).rgb());
    ASSERT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.editor(), nullptr);
    EXPECT_EQ(window.player(), nullptr);
    EXPECT_EQ(window.scoreReader(), nullptr);
    EXPECT_EQ(script.seen().size(), 1u) << "no close query";
}

}  // namespace
}  // namespace corvane
