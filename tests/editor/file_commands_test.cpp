// The File commands of the session beyond Open and Save As: New, Save in place, Open of a chosen
// file, Export PDF's questions and its writer, and playback, which stops whenever a command puts
// another score in place of the one playing, and only then.

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "editor/editor_session.h"
#include "editor/editor_view.h"
#include "engrave/staff_names.h"
#include "fake_window.h"
#include "interchange/import_error.h"
#include "interchange/musicxml_import.h"
#include "score/data_file.h"
#include "score/score_reader.h"
#include "sound/player.h"
#include "tests/score/test_files.h"

namespace corvane::test {
namespace {

constexpr Point kNoteSpot{110, 80};

class FileCommands : public ::testing::Test {
  protected:
    FileCommands() { session.resize(); }

    void placeNote(Point at = kNoteSpot) {
        session.mouseMove(at);
        session.click(at, false);
        ASSERT_TRUE(session.editor().dirty());
    }
    void play() {
        session.typed(U' ');
        ASSERT_TRUE(session.player().isPlaying());
    }
    bool playing() const { return session.player().isPlaying(); }
    // A score file of `beats`-beat measures and two tracks; its path.
    std::string writeScore(const std::string& name, int beats = 3) const {
        Score score;
        score.clear();
        score.addMeasure(0, 100, beats);
        score.addTrack(33, Bass);
        score.addTrack(0, Treble);
        const std::string path = dir.file(name);
        ScoreReader().save(path, score);
        return path;
    }
    // The score a window starts with, once its first size change has filled the view.
    static Score startingScore() {
        FakeWindow fresh;
        EditorSession start(hostOf(fresh), nullptr);
        start.resize();
        return start.editor().score();
    }

    testing::TempDir dir;
    FakeWindow window;
    EditorSession session{hostOf(window), nullptr};
};

TEST_F(FileCommands, NewAsksFirstThenStartsTheDefaultScoreUntitledWithAnEmptyHistory) {
    placeNote();
    window.files.push_back(dir.file("song.cvn"));
    ASSERT_TRUE(session.save());
    placeNote(Point{200, 95});
    const Score edited = session.editor().score();

    window.yesNoCancelAnswers = {Answer::Cancel};
    EXPECT_FALSE(session.newScore());
    EXPECT_EQ(session.editor().score(), edited);
    EXPECT_EQ(window.questions.back(), kSaveChangesQuestion);

    // Yes saves first (the Save As dialog, which is cancelled here): nothing saved, nothing new.
    window.yesNoCancelAnswers = {Answer::Yes};
    EXPECT_FALSE(session.newScore());
    EXPECT_EQ(session.editor().score(), edited);

    window.yesNoCancelAnswers = {Answer::No};
    session.keyDown(KeyboardKey::Right);
    ASSERT_TRUE(session.newScore());
    EXPECT_EQ(session.editor().score(), startingScore());
    EXPECT_EQ(session.editor().firstVisibleMeasure(), 0);
    const DocumentState now = session.documentState();
    EXPECT_EQ(now.path, "");
    EXPECT_FALSE(now.dirty);
    EXPECT_FALSE(now.canUndo);
    EXPECT_FALSE(now.canRedo);
    EXPECT_EQ(session.saveSuggestion(), "") << "Save As suggests nothing for the new score";

    // A clean score is replaced without a question.
    const std::size_t asked = window.questions.size();
    EXPECT_TRUE(session.newScore());
    EXPECT_EQ(window.questions.size(), asked);
}

TEST_F(FileCommands, SaveWritesTheOpenFileInPlaceAndIsSaveAsForAnUntitledScore) {
    placeNote();
    // Untitled: the Save As dialog.
    EXPECT_FALSE(session.quickSave());
    ASSERT_EQ(window.fileDialogs.size(), 1u);
    EXPECT_EQ(window.fileDialogs[0].kind, FileDialogKind::Save);
    const std::string song = dir.file("song.cvn");
    window.files.push_back(song);
    ASSERT_TRUE(session.quickSave());
    EXPECT_EQ(session.documentPath(), song);

    placeNote(Point{200, 95});
    ASSERT_TRUE(session.quickSave());
    EXPECT_EQ(window.fileDialogs.size(), 2u) << "a named score is saved without a dialog";
    EXPECT_FALSE(session.editor().dirty());
    Score saved;
    ASSERT_TRUE(ScoreReader().load(song, saved));
    EXPECT_EQ(saved, session.editor().score());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"song.cvn"}) << "no temporary file is left";
    session.undo();
    EXPECT_TRUE(session.editor().dirty()) << "the saved point moved to the second note";

    // The file's folder has gone: the error names the file, and the changes stay unsaved.
    const std::string inner = dir.file("inner/song.cvn");
    std::filesystem::create_directory(dir.file("inner"));
    window.files.push_back(inner);
    ASSERT_TRUE(session.save());
    placeNote(Point{300, 95});
    std::filesystem::remove_all(dir.file("inner"));
    EXPECT_FALSE(session.quickSave());
    EXPECT_TRUE(session.editor().dirty());
    EXPECT_EQ(window.messages.back(), kErrorOpenWrite);
    EXPECT_EQ(window.details.back(), inner + ": no such folder");
    EXPECT_EQ(session.documentPath(), inner);
}

TEST_F(FileCommands, OpeningAChosenFileAsksAsOpenDoesAndAMissingOneChangesNothing) {
    const std::string other = writeScore("other.cvn");
    placeNote();
    const Score edited = session.editor().score();
    window.yesNoCancelAnswers = {Answer::Cancel};
    EXPECT_FALSE(session.openChosen(other));
    EXPECT_EQ(session.editor().score(), edited);
    window.yesNoCancelAnswers = {Answer::No};
    EXPECT_FALSE(session.openChosen(dir.file("gone.cvn")));
    EXPECT_EQ(session.editor().score(), edited);
    EXPECT_TRUE(session.editor().dirty());
    EXPECT_EQ(window.messages.back(), kErrorOpenRead);
    window.yesNoCancelAnswers = {Answer::No};
    ASSERT_TRUE(session.openChosen(other));
    EXPECT_EQ(session.documentPath(), other);
    EXPECT_EQ(session.editor().score().tracks.size(), 2u);
    EXPECT_TRUE(window.fileDialogs.empty()) << "no file dialog";
}

TEST_F(FileCommands, EveryCommandThatReplacesTheScoreStopsItsPlaybackOnlyWhenItSucceeds) {
    const std::string other = writeScore("other.cvn");
    const std::string midi = dir.file("tune.mid");
    Player::writeMidiFile(midi, session.editor().score(), 0);
    testing::writeBytes(dir.file("junk.mid"), {'n', 'o', 't'});

    play();
    EXPECT_FALSE(session.loadFile(dir.file("gone.cvn")));
    EXPECT_TRUE(playing()) << "a failed load leaves the old score playing";
    ASSERT_TRUE(session.loadFile(other));
    EXPECT_FALSE(playing()) << "Open";

    play();
    window.files = {dir.file("junk.mid")};
    EXPECT_FALSE(session.importMidi());
    EXPECT_TRUE(playing()) << "a failed import";
    window.files = {midi};
    ASSERT_TRUE(session.importMidi());
    EXPECT_FALSE(playing()) << "Import MIDI";

    play();
    window.yesNoCancelAnswers = {Answer::Cancel};
    EXPECT_FALSE(session.newScore());
    EXPECT_TRUE(playing()) << "New cancelled at its question";
    window.yesNoCancelAnswers = {Answer::No};
    ASSERT_TRUE(session.newScore());
    EXPECT_FALSE(playing()) << "New";

    play();
    ASSERT_TRUE(session.openChosen(other));
    EXPECT_FALSE(playing()) << "Open Recent";

    play();
    window.files = {other};
    ASSERT_TRUE(session.open());
    EXPECT_FALSE(playing()) << "Open with its dialog";

    play();
    session.restore(Score(), "");
    EXPECT_FALSE(playing()) << "a restored copy";

    // Commands that keep the score keep it playing.
    play();
    window.files = {dir.file("kept.cvn"), dir.file("kept.mid")};
    ASSERT_TRUE(session.save());
    ASSERT_TRUE(session.writeMidi());
    EXPECT_TRUE(playing());
}

// One measure of 7/8, which the import has to re-bar and says so.
constexpr const char* kSevenEighths =
    "<?xml version=\"1.0\"?><score-partwise version=\"4.0\"><part-list><score-part id=\"P1\">"
    "<part-name>Flute</part-name></score-part></part-list><part id=\"P1\"><measure number=\"1\">"
    "<attributes><divisions>24</divisions><time><beats>7</beats><beat-type>8</beat-type></time>"
    "<clef><sign>G</sign><line>2</line></clef></attributes><note><rest/><duration>84</duration>"
    "</note></measure></part></score-partwise>";

TEST_F(FileCommands, ImportMusicXmlAsksFirstAndMakesANewUnsavedScoreWithItsReport) {
    placeNote();
    const std::string song = dir.file("song.musicxml");
    window.files = {song};
    ASSERT_TRUE(session.exportMusicXml());
    const Score edited = session.editor().score();

    play();
    window.yesNoCancelAnswers = {Answer::Cancel};
    EXPECT_FALSE(session.importMusicXml());
    EXPECT_EQ(window.fileDialogs.back().kind, FileDialogKind::ExportMusicXml) << "no dialog";

    // A file that is no MusicXML: the import's reason, the file beneath, nothing changed.
    const std::string junk = dir.file("junk.xml");
    testing::writeBytes(junk, {'<', 'a', '/', '>'});
    window.yesNoCancelAnswers = {Answer::No};
    window.files = {junk};
    EXPECT_FALSE(session.importMusicXml());
    EXPECT_EQ(window.fileDialogs.back().kind, FileDialogKind::ImportMusicXml);
    EXPECT_EQ(session.editor().score(), edited);
    EXPECT_TRUE(playing());
    try {
        importMusicXmlFile(junk);
        ADD_FAILURE() << "imported";
    } catch (const ImportError& error) {
        EXPECT_EQ(window.messages.back(), error.what());
    }
    EXPECT_EQ(window.details.back(), junk);

    window.yesNoCancelAnswers = {Answer::No};
    window.files = {song};
    ASSERT_TRUE(session.importMusicXml());
    EXPECT_FALSE(playing());
    EXPECT_EQ(session.editor().score(), importMusicXmlFile(song).score);
    EXPECT_TRUE(session.editor().dirty());
    EXPECT_EQ(session.documentPath(), "");
    EXPECT_EQ(session.saveSuggestion(), dir.file("song.cvn"));
    EXPECT_TRUE(window.notices.empty()) << "our own export comes back exactly";

    const std::string seven = dir.file("seven.xml");
    const std::string text = kSevenEighths;
    testing::writeBytes(seven, std::vector<std::uint8_t>(text.begin(), text.end()));
    window.yesNoCancelAnswers = {Answer::No};
    window.files = {seven};
    ASSERT_TRUE(session.importMusicXml());
    const std::vector<std::string> report = importMusicXmlFile(seven).report;
    ASSERT_FALSE(report.empty());
    std::string joined;
    for (const std::string& line : report) {
        joined += (joined.empty() ? "" : " ") + line;
    }
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_EQ(window.notices[0], joined);
}

TEST_F(FileCommands, ExportPdfOffersTheLocalesPaperAndTheTracksAndWritesWhatWasChosen) {
    struct Written {
        Score score;
        std::string title;
        engrave::PageSettings settings;
        std::string path;
    };
    std::vector<Written> written;
    const EditorSession::PdfWriter writer = [&](const Score& score, const std::string& title,
                                                const engrave::PageSettings& settings,
                                                const std::string& path) {
        written.push_back({score, title, settings, path});
    };
    placeNote();
    EXPECT_FALSE(session.exportPdf(writer)) << "cancelled";
    EXPECT_TRUE(written.empty());
    ASSERT_EQ(window.pdfOffers.size(), 1u);
    const PdfExportChoice& offer = window.pdfOffers[0];
    EXPECT_EQ(offer.settings, (engrave::PageSettings{engrave::localePaper(), false, std::nullopt}));
    EXPECT_EQ(offer.path, "Untitled.pdf");
    ASSERT_EQ(offer.tracks.size(), 1u);
    EXPECT_EQ(offer.tracks[0], engrave::fullStaffName(session.editor().score().tracks[0]));

    ASSERT_TRUE(session.loadFile(writeScore("song.cvn")));
    placeNote();
    window.pdfExport = [&](PdfExportChoice& choice) {
        choice.settings = {engrave::Paper::Letter, true, 1};
        choice.path = dir.file("out.pdf");
        return true;
    };
    ASSERT_TRUE(session.exportPdf(writer));
    EXPECT_EQ(window.pdfOffers.back().path, dir.file("song.pdf")) << "named after the score";
    EXPECT_EQ(window.pdfOffers.back().tracks.size(), 2u);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].score, session.editor().score());
    EXPECT_EQ(written[0].title, "song");
    EXPECT_EQ(written[0].settings, (engrave::PageSettings{engrave::Paper::Letter, true, 1}));
    EXPECT_EQ(written[0].path, dir.file("out.pdf"));
    EXPECT_TRUE(session.editor().dirty()) << "an export saves nothing";

    // The writer's failure is the file-error box naming the file and the cause.
    const EditorSession::PdfWriter failing = [&](const Score&, const std::string&,
                                                 const engrave::PageSettings&,
                                                 const std::string& path) {
        throw FileError(kErrorOpenWrite, path, "permission denied");
    };
    EXPECT_FALSE(session.exportPdf(failing));
    EXPECT_EQ(window.messages.back(), kErrorOpenWrite);
    EXPECT_EQ(window.details.back(), dir.file("out.pdf") + ": permission denied");
}

}  // namespace
}  // namespace corvane::test
