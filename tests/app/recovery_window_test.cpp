// Recovery copies in the main window: kept while the score has unsaved changes and removed
// when it becomes clean or its changes are given up at close; offered back at start, restored
// as a dirty score of the file it belongs to, set aside with No; and a file handed over on the
// command line is not opened over a restored score.

#include <gtest/gtest.h>
#include <QDir>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>

#include "app/main_window.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "recovery/recovery_store.h"
#include "tests/support/modal_script.h"
#include "score/score_reader.h"
#include "tests/recovery/recovery_test_support.h"

namespace corvane::testing {
namespace {

using test::ModalScript;

constexpr QPoint kNoteSpot(110, 80);
const std::string kQuestionStart = "Corvane was not closed properly. Restore the unsaved changes to ";

// The restore question about a copy of `name`, answered with `button`; Yes must be its default
// button and No its Escape.
test::Answer restoreQuestion(const std::string& name, QMessageBox::StandardButton button) {
    return [name, button](QDialog& window) {
        auto* box = qobject_cast<QMessageBox*>(&window);
        if (box == nullptr) {
            ADD_FAILURE() << "expected the restore question";
            window.reject();
            return window.result();
        }
        EXPECT_TRUE(box->text().startsWith(QString::fromStdString(kQuestionStart + name + " from ")))
            << box->text().toStdString();
        EXPECT_EQ(box->windowTitle(), "Corvane");
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
        box->button(button)->click();
        return box->result();
    };
}

class RecoveryWindowTest : public RecoveryTest {
  protected:
    void SetUp() override { previous = QDir::currentPath(); }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previous);
        EXPECT_TRUE(script.done()) << "answers left unused";
    }

    void open() {
        WindowServices services;
        services.runModal = script.runner();
        services.recoveryFolder = folder();
        window = std::make_unique<MainWindow>(std::move(services));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    EditorView& editor() { return *window->editor(); }
    void placeNote() {
        QWidget* client = &window->clientArea();
        // A move from beside the spot: a move to where the pointer already is sends nothing.
        QTest::mouseMove(client, kNoteSpot + QPoint(1, 1));
        QTest::mouseMove(client, kNoteSpot);
        QTest::mouseClick(client, Qt::LeftButton, {}, kNoteSpot);
        ASSERT_TRUE(editor().dirty());
    }
    // Waits, with a generous guard, until the window's copy exists (or no longer does).
    bool copyExists(bool exists) {
        return test::waitUntil(
            [&] {
                RecoveryStore* store = window->recoveryStore();
                return store != nullptr && std::filesystem::exists(store->copyPath()) == exists;
            },
            30000);
    }
    std::string writeScore(const std::string& name) {
        const std::string path = state_.file(name);
        ScoreReader().save(path, scoreWithMeasures(3));
        return path;
    }

    QString previous;
    ModalScript script;
    std::unique_ptr<MainWindow> window;
};

TEST_F(RecoveryWindowTest, ACopyIsKeptWhileDirtyAndRemovedOnceSaved) {
    open();
    placeNote();
    ASSERT_TRUE(copyExists(true));
    EXPECT_EQ(loadCopy(window->recoveryStore()->copyPath()), editor().score());

    script.then(test::file(QFileDialog::AcceptSave, QString::fromStdString(state_.file("s.cvn"))));
    window->saveAction()->trigger();
    ASSERT_FALSE(editor().dirty());
    EXPECT_TRUE(copyExists(false));
}

TEST_F(RecoveryWindowTest, ChangesGivenUpAtCloseLeaveNoCopy) {
    open();
    placeNote();
    ASSERT_TRUE(copyExists(true));
    const std::filesystem::path copy = window->recoveryStore()->copyPath();
    script.then(test::box(QMessageBox::No, "Save changes?", "Corvane"));
    window->close();
    EXPECT_EQ(window->editor(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(copy));
}

TEST_F(RecoveryWindowTest, YesRestoresTheCopyAsADirtyScoreOfItsFileAndKeepsTheCopy) {
    const Score lost = scoreWithMeasures(5);
    const std::string name = leaveCopy(lost, "/home/ana/song.cvn", kSomeDay);
    open();
    script.then(restoreQuestion("song.cvn", QMessageBox::Yes));
    window->start({});
    EXPECT_EQ(editor().score(), lost);
    EXPECT_TRUE(editor().dirty());
    EXPECT_EQ(window->session()->documentPath(), "/home/ana/song.cvn");
    EXPECT_EQ(window->windowTitle(), "song.cvn[*] - Corvane");
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(editor().firstVisibleMeasure(), 0);
    // The copy is this editor's own now, until the score is saved.
    EXPECT_EQ(window->recoveryStore()->copyPath(), folder() / (name + ".cvn"));
    EXPECT_TRUE(std::filesystem::exists(folder() / (name + ".cvn")));
}

TEST_F(RecoveryWindowTest, NoSetsEachCopyAsideAndLoadsNothing) {
    leaveCopy(scoreWithMeasures(4), "", kSomeDay);
    leaveCopy(scoreWithMeasures(5), "/home/ana/old.cvn", kSomeDay - std::chrono::hours(1));
    open();
    const Score before = editor().score();
    script.then(restoreQuestion("an untitled score", QMessageBox::No));
    script.then(restoreQuestion("old.cvn", QMessageBox::No));
    window->start({});
    EXPECT_EQ(editor().score(), before);
    EXPECT_FALSE(editor().dirty());
    EXPECT_EQ(names(folder() / "discarded").size(), 4u) << "two copies with their records";
}

TEST_F(RecoveryWindowTest, AFileGivenAtStartOpensUnlessACopyWasRestored) {
    const std::string file = writeScore("given.cvn");
    leaveCopy(scoreWithMeasures(6), "", kSomeDay);
    open();
    script.then(restoreQuestion("an untitled score", QMessageBox::Yes));
    window->start(QString::fromStdString(file));
    EXPECT_EQ(editor().score(), scoreWithMeasures(6));
    EXPECT_EQ(window->session()->documentPath(), "");
    EXPECT_EQ(window->statusBar()->currentMessage(),
              "given.cvn was not opened: the restored changes are shown instead.");

    // Without a copy to offer, the file opens.
    script.then(test::box(QMessageBox::No, "Save changes?", "Corvane"));
    window->close();
    open();
    window->start(QString::fromStdString(file));
    EXPECT_EQ(window->session()->documentPath(), file);
    EXPECT_FALSE(editor().dirty());
}

}  // namespace
}  // namespace corvane::testing
