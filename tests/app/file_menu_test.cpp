// The File and Help menus of the window: every menu's mnemonics, New, Save and Save As, Open
// Recent kept in the user's configuration folder, Print through a PDF printer and Export PDF
// read back by poppler, the keyboard shortcuts and About.

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QPrintDialog>
#include <QStyleOptionMenuItem>
#include <QTemporaryDir>
#include <QTest>
#include <QStatusBar>
#include <QTextBrowser>
#include <fstream>
#include <map>

#include "app/help_windows.h"
#include "app/main_window.h"
#include "app/report_item.h"
#include "app/print_command.h"
#include "dialogs/page_setup_dialog.h"
#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "editor/key_reference.h"
#include "engrave/staff_names.h"
#include "interchange/musicxml_import.h"
#include "score/data_file.h"
#include "score/score_reader.h"
#include "sound/player.h"
#include "tests/engrave/qt/poppler.h"
#include "tests/support/modal_script.h"

namespace corvane {
namespace {

using test::ModalScript;

constexpr QPoint kNoteSpot(110, 80);

// The letter after a single '&' of `text`, lower case; none when it has none.
std::optional<QChar> mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&')) {
                return text[i + 1].toLower();
            }
            ++i;
        }
    }
    return std::nullopt;
}

// Fails for every two items of `actions` that share a mnemonic, in submenus too; returns how
// many items have one.
int expectOwnMnemonics(const QList<QAction*>& actions, const QString& where) {
    std::map<QChar, QString> taken;
    for (const QAction* action : actions) {
        if (action->menu() != nullptr) {
            expectOwnMnemonics(action->menu()->actions(), action->text());
        }
        const std::optional<QChar> letter = mnemonic(action->text());
        if (action->isSeparator() || !letter) {
            continue;
        }
        const auto [it, fresh] = taken.emplace(*letter, action->text());
        EXPECT_TRUE(fresh) << where.toStdString() << ": " << action->text().toStdString()
                           << " and " << it->second.toStdString() << " share "
                           << QString(*letter).toStdString();
    }
    return static_cast<int>(taken.size());
}

class FileMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        // Open Recent keeps its list where the user's configuration goes.
        previousConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
        openWindow();
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previous);
        qputenv("XDG_CONFIG_HOME", previousConfig);
        EXPECT_TRUE(script.done()) << "answers left unused";
    }

    void openWindow() {
        WindowServices services{script.runner(), {}};
        services.settingsFile = defaultSettingsFile();
        services.soundInUse = [] { return SoundInUse{"/sf/General.sf2", "alsa"}; };
        window = std::make_unique<MainWindow>(std::move(services));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        client = &window->clientArea();
    }
    EditorView& editor() { return *window->editor(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    void placeNote(QPoint at = kNoteSpot) {
        QTest::mouseMove(client, at + QPoint(1, 1));
        QTest::mouseMove(client, at);
        QTest::mouseClick(client, Qt::LeftButton, {}, at);
        ASSERT_TRUE(editor().dirty());
    }
    // A score of a piano and a bass track saved as `name`; its path.
    QString writeScore(const QString& name) {
        Score score;
        score.addTrack(32, Bass);
        ScoreReader().save(path(name).toStdString(), score);
        return path(name);
    }
    QStringList recentNames() const {
        QStringList names;
        for (const QAction* item : window->openRecentMenu()->actions()) {
            names << item->text();
        }
        return names;
    }

    QTemporaryDir dir;
    QString previous;
    QByteArray previousConfig;
    ModalScript script;
    std::unique_ptr<MainWindow> window;
    ClientArea* client = nullptr;
};

test::Answer saveChanges(QMessageBox::StandardButton answer) {
    return test::box(answer, "Save changes?", "Corvane", QMessageBox::NoIcon);
}

TEST_F(FileMenuTest, NoMenuHasAMnemonicTwiceAndTheNamedLettersStay) {
    for (int i = 0; i < RecentFiles::kLimit; ++i) {
        window->openFile(writeScore(QStringLiteral("s%1.cvn").arg(i)));
    }
    window->openRecentMenu()->refresh();
    ASSERT_EQ(window->openRecentMenu()->actions().size(), RecentFiles::kLimit);
    const QList<QAction*> menus = window->menuBar()->actions();
    EXPECT_EQ(expectOwnMnemonics(menus, QStringLiteral("menu bar")), menus.size());
    QStringList fileItems;
    for (const QAction* item : menus[0]->menu()->actions()) {
        fileItems << item->text();
    }
    // Every item of the File and Help menus can be reached from the keyboard.
    EXPECT_EQ(expectOwnMnemonics(menus[0]->menu()->actions(), "File"), 13);
    EXPECT_EQ(expectOwnMnemonics(menus[2]->menu()->actions(), "Help"), 2);
    for (const char* kept : {"E&xit", "&Open...", "Write &Midi..."}) {
        EXPECT_TRUE(fileItems.contains(QString::fromLatin1(kept))) << kept;
    }
    // Alt+F, then X, exits.
    EXPECT_EQ(mnemonic(window->exitAction()->text()), QChar('x'));
}

TEST_F(FileMenuTest, NewAsksFirstAndStartsAnUntitledScoreAndCtrlNTypesNothing) {
    placeNote();
    script.then(saveChanges(QMessageBox::Cancel));
    QTest::keyClick(client, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(editor().dirty());
    script.then(saveChanges(QMessageBox::No));
    window->newAction()->trigger();
    EXPECT_FALSE(editor().dirty());
    EXPECT_EQ(window->windowTitle(), "Corvane");
    EXPECT_FALSE(window->undoAction()->isEnabled());
    EXPECT_EQ(editor().score().tracks[0].measures[0].size(), 4u) << "four quarter rests";
    EXPECT_EQ(editor().tools().currentDuration, 4) << "Ctrl+N chose no thirty-seconds";
}

TEST_F(FileMenuTest, SaveWritesTheNamedFileInPlaceAndSaveAsAlwaysAsks) {
    placeNote();
    script.then(test::file(QFileDialog::AcceptSave, path("tune")));
    QTest::keyClick(client, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(window->windowTitle(), "tune.cvn[*] - Corvane");
    placeNote(QPoint(200, 95));
    QTest::keyClick(client, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(script.seen().size(), 1u) << "no dialog for a named score";
    EXPECT_FALSE(window->isWindowModified());
    Score saved;
    ASSERT_TRUE(ScoreReader().load(path("tune.cvn").toStdString(), saved));
    EXPECT_EQ(saved, editor().score());

    script.then(test::file(QFileDialog::AcceptSave, {}));
    QTest::keyClick(client, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(script.seen().size(), 2u);
    EXPECT_TRUE(script.seen().back().fileDialog);
    EXPECT_EQ(window->saveAsAction()->shortcut(), QKeySequence("Ctrl+Shift+S"));
}

TEST_F(FileMenuTest, OpenRecentKeepsTheLastEightNewestFirstBetweenRuns) {
    EXPECT_FALSE(window->openRecentMenu()->menuAction()->isEnabled()) << "nothing yet";
    for (int i = 0; i < 9; ++i) {
        window->openFile(writeScore(QStringLiteral("s%1.cvn").arg(i)));
    }
    // Saved under another name: the newest.
    script.then(test::file(QFileDialog::AcceptSave, path("renamed.cvn")));
    window->saveAsAction()->trigger();
    const QStringList expected{"&1 renamed.cvn", "&2 s8.cvn", "&3 s7.cvn", "&4 s6.cvn",
                               "&5 s5.cvn",      "&6 s4.cvn", "&7 s3.cvn", "&8 s2.cvn"};
    EXPECT_EQ(recentNames(), expected);
    EXPECT_TRUE(window->openRecentMenu()->menuAction()->isEnabled());
    EXPECT_EQ(window->openRecentMenu()->actions()[0]->toolTip(), path("renamed.cvn"));
    EXPECT_TRUE(QFileInfo::exists(path("config/corvane/corvane.conf")));

    // The next run finds the same list.
    window.reset();
    openWindow();
    EXPECT_EQ(recentNames(), expected);

    // Opening one that is listed puts it first.
    window->openFile(path("s5.cvn"));
    EXPECT_EQ(recentNames().mid(0, 3), (QStringList{"&1 s5.cvn", "&2 renamed.cvn", "&3 s8.cvn"}));
    EXPECT_EQ(recentNames().size(), 8);
}

TEST_F(FileMenuTest, AMissingRecentFileIsGreyedAndTakenOffWhenChosen) {
    window->openFile(writeScore("kept.cvn"));
    window->openFile(writeScore("a&b.cvn"));
    ASSERT_TRUE(QFile::remove(path("a&b.cvn")));
    RecentFilesMenu& menu = *window->openRecentMenu();
    menu.refresh();
    ASSERT_EQ(recentNames(), (QStringList{"&1 a&&b.cvn", "&2 kept.cvn"}));
    QStyleOptionMenuItem missing;
    menu.initStyleOption(&missing, menu.actions()[0]);
    EXPECT_FALSE(missing.state & QStyle::State_Enabled) << "greyed";
    EXPECT_TRUE(menu.actions()[0]->isEnabled()) << "but it may be chosen";
    QStyleOptionMenuItem there;
    menu.initStyleOption(&there, menu.actions()[1]);
    EXPECT_TRUE(there.state & QStyle::State_Enabled);

    placeNote();
    script.then(test::box(QMessageBox::Ok,
                          "a&b.cvn is no longer there, so it has been taken off Open Recent.",
                          "Open Recent", QMessageBox::Warning));
    menu.actions()[0]->trigger();
    EXPECT_EQ(script.seen().back().detail, path("a&b.cvn") + ": no such file");
    EXPECT_EQ(recentNames(), QStringList{"&1 kept.cvn"});
    EXPECT_TRUE(editor().dirty()) << "the score stays";

    // An existing file opens as Open would, asking first about the changes.
    script.then(saveChanges(QMessageBox::No));
    menu.actions()[0]->trigger();
    EXPECT_FALSE(editor().dirty());
    EXPECT_EQ(window->windowTitle(), "kept.cvn[*] - Corvane");
    EXPECT_EQ(editor().score().tracks.size(), 2u);
}

TEST_F(FileMenuTest, PrintThroughAPdfPrinterGivesThePartChosenOnTheLocalesPaper) {
    window->openFile(writeScore("song.cvn"));
    script.then([&](QDialog& shown) {
        auto* dialog = qobject_cast<QPrintDialog*>(&shown);
        EXPECT_NE(dialog, nullptr);
        if (dialog == nullptr) {
            return int(QDialog::Rejected);
        }
        auto* tracks = dialog->findChild<QComboBox*>("printTracks");
        EXPECT_NE(tracks, nullptr);
        if (tracks != nullptr) {
            EXPECT_EQ(tracks->count(), 3);
            tracks->setCurrentIndex(2);
        }
        const QPageLayout layout = dialog->printer()->pageLayout();
        EXPECT_EQ(layout.orientation(), QPageLayout::Portrait);
        EXPECT_EQ(layout.pageSize().id(), engrave::localePaper() == engrave::Paper::Letter
                                              ? QPageSize::Letter
                                              : QPageSize::A4);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(path("printed.pdf"));
        return int(QDialog::Accepted);
    });
    window->printAction()->trigger();
    const testing::PdfReading pdf = testing::readPdf(path("printed.pdf").toStdString());
    EXPECT_EQ(pdf.complaints, "");
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_EQ(pdf.pageSize, engrave::localePaper() == engrave::Paper::Letter
                                ? "612 x 792 pts (letter)"
                                : "595 x 842 pts (A4)");
    EXPECT_EQ(pdf.title, "song");
    const std::string bass = engrave::fullStaffName(editor().score().tracks[1]);
    const std::string piano = engrave::fullStaffName(editor().score().tracks[0]);
    EXPECT_TRUE(testing::contains(pdf.text, bass)) << bass;
    EXPECT_FALSE(testing::contains(pdf.text, piano)) << "the bass part alone";
    EXPECT_EQ(window->printAction()->shortcut(), QKeySequence("Ctrl+P"));
}

TEST_F(FileMenuTest, PrintingIntoAFolderThatIsNotThereSaysWhereAndWhy) {
    script.then([&](QDialog& shown) {
        auto* dialog = qobject_cast<QPrintDialog*>(&shown);
        if (dialog == nullptr) {
            ADD_FAILURE() << "no print dialog";
            return int(QDialog::Rejected);
        }
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(path("missing/printed.pdf"));
        return int(QDialog::Accepted);
    });
    script.then(test::box(QMessageBox::Ok, kErrorPrint, "Error", QMessageBox::Warning));
    window->print();
    EXPECT_EQ(script.seen().back().detail, path("missing/printed.pdf") + ": no such folder");
}

TEST_F(FileMenuTest, ExportPdfAsksThePagesThenTheFileNamedAfterTheScore) {
    window->openFile(writeScore("song.cvn"));
    placeNote();
    script.then([](QDialog& shown) {
        auto* setup = qobject_cast<PageSetupDialog*>(&shown);
        EXPECT_NE(setup, nullptr);
        if (setup == nullptr) {
            return int(QDialog::Rejected);
        }
        EXPECT_EQ(setup->windowTitle(), "Export PDF");
        EXPECT_EQ(setup->settings(),
                  (engrave::PageSettings{engrave::localePaper(), false, std::nullopt}));
        setup->paper().setCurrentIndex(setup->paper().findText("Letter"));
        setup->landscape().setChecked(true);
        setup->tracks().setCurrentIndex(1);
        setup->accept();
        return setup->result();
    });
    script.then([&](QDialog& shown) {
        auto* files = qobject_cast<QFileDialog*>(&shown);
        EXPECT_NE(files, nullptr);
        if (files == nullptr) {
            return int(QDialog::Rejected);
        }
        EXPECT_EQ(files->selectedFiles().value(0), path("song.pdf"));
        EXPECT_EQ(files->nameFilters(), QStringList{"PDF files (*.pdf)"});
        return test::file(QFileDialog::AcceptSave, path("out"))(shown);
    });
    window->exportPdfAction()->trigger();
    const testing::PdfReading pdf = testing::readPdf(path("out.pdf").toStdString());
    EXPECT_EQ(pdf.complaints, "");
    EXPECT_EQ(pdf.pageSize, "792 x 612 pts (letter)");
    EXPECT_EQ(pdf.title, "song");
    EXPECT_FALSE(testing::contains(pdf.text, engrave::fullStaffName(editor().score().tracks[1])))
        << "the first track alone";
    EXPECT_TRUE(editor().dirty());

    // A folder that is not there: the file error, naming the file and the cause.
    script.then([](QDialog& shown) {
        shown.accept();
        return shown.result();
    });
    script.then(test::file(QFileDialog::AcceptSave, path("missing/out.pdf")));
    script.then(test::box(QMessageBox::Ok, kErrorOpenWrite, "Error", QMessageBox::Warning));
    window->exportPdf();
    EXPECT_EQ(script.seen().back().detail, path("missing/out.pdf") + ": no such folder");
}

TEST_F(FileMenuTest, ImportMusicXmlMakesANewUnsavedScoreSaysWhatItApproximatedAndStopsPlayback) {
    // A flute's measure of 7/8, which the import re-bars and reports.
    QDir(dir.path()).mkdir("in");
    std::ofstream(path("in/flute.xml").toStdString())
        << "<?xml version=\"1.0\"?><score-partwise version=\"3.1\"><part-list>"
           "<score-part id=\"P1\"><part-name>Flute</part-name></score-part></part-list>"
           "<part id=\"P1\"><measure number=\"1\"><attributes><divisions>2</divisions>"
           "<time><beats>7</beats><beat-type>8</beat-type></time></attributes><note><pitch>"
           "<step>A</step><octave>4</octave></pitch><duration>7</duration><type>half</type>"
           "<dot/><dot/></note></measure></part></score-partwise>";
    const MusicXmlImport expected = importMusicXmlFile(path("in/flute.xml").toStdString());
    ASSERT_FALSE(expected.report.empty());
    QTest::keyClick(client, Qt::Key_Space);
    ASSERT_TRUE(window->player()->isPlaying());

    script.then([&](QDialog& shown) {
        auto* files = qobject_cast<QFileDialog*>(&shown);
        EXPECT_NE(files, nullptr);
        if (files == nullptr) {
            return int(QDialog::Rejected);
        }
        EXPECT_EQ(files->nameFilters(), QStringList{"MusicXML files (*.musicxml *.xml *.mxl)"});
        return test::file(QFileDialog::AcceptOpen, path("in/flute.xml"))(shown);
    });
    window->importMusicXmlAction()->trigger();
    EXPECT_FALSE(window->player()->isPlaying());
    EXPECT_EQ(editor().score(), expected.score);
    EXPECT_EQ(window->windowTitle(), "Untitled[*] - Corvane");
    QString report;
    for (const std::string& line : expected.report) {
        report += (report.isEmpty() ? "" : "\n") + QString::fromStdString(line);
    }
    // The report stands in the status bar, readable in full, until dismissed or the next import.
    EXPECT_TRUE(window->report().isVisible());
    EXPECT_EQ(window->report().summary(), "flute.xml: imported with approximations");
    EXPECT_EQ(window->report().details(), report);

    // Save offers the MusicXML file's name as a score file beside it.
    script.then([&](QDialog& shown) {
        auto* files = qobject_cast<QFileDialog*>(&shown);
        EXPECT_NE(files, nullptr);
        if (files != nullptr) {
            EXPECT_EQ(files->selectedFiles().value(0), path("in/flute.cvn"));
        }
        shown.reject();
        return shown.result();
    });
    window->saveAction()->trigger();
}

TEST_F(FileMenuTest, KeyboardShortcutsListEveryMenuShortcutAndEveryToolKey) {
    QString shown;
    script.then([&](QDialog& window) {
        auto* text = window.findChild<QTextBrowser*>("shortcuts");
        EXPECT_NE(text, nullptr);
        if (text != nullptr) {
            shown = text->toPlainText();
        }
        window.reject();
        return window.result();
    });
    QTest::keyClick(client, Qt::Key_F1);
    ASSERT_FALSE(shown.isEmpty());
    int shortcuts = 0;
    for (const QAction* menu : window->menuBar()->actions()) {
        for (const QAction* item : menu->menu()->actions()) {
            for (const QKeySequence& key : item->shortcuts()) {
                ++shortcuts;
                EXPECT_TRUE(shown.contains(key.toString(QKeySequence::NativeText)))
                    << key.toString().toStdString();
            }
        }
    }
    EXPECT_GE(shortcuts, 10);
    // The editor's own keys and mouse, every row of them.
    for (const KeyReferenceSection& section : editorKeyReference()) {
        EXPECT_TRUE(shown.contains(QString::fromStdString(section.title))) << section.title;
        for (const KeyReferenceRow& row : section.rows) {
            EXPECT_TRUE(shown.contains(QString::fromStdString(row.action))) << row.action;
        }
    }
    for (const char* key : {"Page Down", "Home", "Space", "Mouse wheel"}) {
        EXPECT_TRUE(shown.contains(QString::fromLatin1(key))) << key;
    }
}

TEST_F(FileMenuTest, AboutNamesTheVersionEverythingShippedAndTheSoundInUse) {
    QString text;
    script.then([&](QDialog& window) {
        auto* box = qobject_cast<QMessageBox*>(&window);
        EXPECT_NE(box, nullptr);
        if (box != nullptr) {
            EXPECT_EQ(box->windowTitle(), "About Corvane");
            text = box->text();
        }
        window.reject();
        return window.result();
    });
    window->aboutAction()->trigger();
    EXPECT_TRUE(text.contains(QStringLiteral("Corvane " CORVANE_VERSION)));
    EXPECT_TRUE(text.contains("/sf/General.sf2"));
    EXPECT_TRUE(text.contains("alsa"));
    // Every folder of third_party/ is named, with its licence.
    const QDir shipped(QStringLiteral(CORVANE_THIRD_PARTY_DIR));
    const QStringList folders = shipped.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_FALSE(folders.isEmpty());
    for (const QString& folder : folders) {
        const auto found = std::find_if(
            shippedWorks().begin(), shippedWorks().end(),
            [&](const ShippedWork& work) { return folder == QLatin1String(work.folder); });
        ASSERT_NE(found, shippedWorks().end()) << folder.toStdString() << " is not in About";
        EXPECT_TRUE(text.contains(QString::fromUtf8(found->licence))) << found->licence;
    }
    EXPECT_TRUE(aboutText({}).contains("<b>Sound:</b> none"));
}

}  // namespace
}  // namespace corvane
