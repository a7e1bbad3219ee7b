// The dialog windows: captions, frames, labels and tab order; a layout where every text fits its
// control, nothing drawn overlaps and everything lies inside the dialog; and what every button
// does to the score through the dialog models.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTest>
#include <string>
#include <vector>

#include "dialogs/dynamic_dialog.h"
#include "dialogs/measure_dialog.h"
#include "dialogs/track_dialogs.h"
#include "tests/support/modal_script.h"
#include "score/instruments.h"

namespace corvane {
namespace {

using test::ModalScript;

// Every control of `d` with a focus policy, in the order tab moves through them.
std::vector<QWidget*> tabChain(FixedLayoutDialog& d) {
    std::vector<QWidget*> chain;
    QWidget* first = d.controls().front();
    QWidget* w = first;
    do {
        if (w->focusPolicy() & Qt::TabFocus) {
            chain.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != first && chain.size() < 1000);
    return chain;
}

std::vector<QWidget*> focusable(FixedLayoutDialog& d) {
    std::vector<QWidget*> out;
    for (QWidget* w : d.controls()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            out.push_back(w);
        }
    }
    return out;
}

QString textOf(const QWidget* w) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
        return edit->text();
    }
    return {};
}

// A control's text, or its kind when it has none, for messages.
std::string describe(const QWidget* w) {
    const QString text = textOf(w);
    return text.isEmpty() ? w->metaObject()->className() : text.toStdString();
}

// What the user reads on the controls, in tab order, static texts included.
std::vector<std::string> texts(FixedLayoutDialog& d) {
    std::vector<std::string> out;
    for (const QWidget* w : d.controls()) {
        out.push_back(textOf(w).toStdString());
    }
    return out;
}

// Every text is shown whole: in its button's text area, or within its static's box.
void expectTextsFit(FixedLayoutDialog& d) {
    for (QWidget* w : d.controls()) {
        const QFontMetrics fm(w->font());
        if (auto* radio = qobject_cast<QRadioButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(radio);
            option.text = radio->text();
            const QRect area =
                radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
            EXPECT_LE(fm.horizontalAdvance(radio->text()), area.width())
                << radio->text().toStdString() << " in " << d.windowTitle().toStdString();
            EXPECT_LE(fm.tightBoundingRect(radio->text()).height(), radio->height())
                << radio->text().toStdString();
            const int indicator =
                radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, radio);
            EXPECT_LE(indicator, radio->height()) << radio->text().toStdString();
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect area =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            EXPECT_LE(fm.horizontalAdvance(button->text()), area.width())
                << button->text().toStdString();
            EXPECT_LE(fm.height(), button->height()) << button->text().toStdString();
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_LE(fm.horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
            EXPECT_LE(fm.height(), label->height()) << label->text().toStdString();
        }
    }
}

// The ink of `text` laid out in `box` with `alignment`.
QRect textInk(const QFontMetrics& fm, const QRect& box, Qt::Alignment alignment,
              const QString& text) {
    const QRect line = QStyle::alignedRect(Qt::LeftToRight, alignment,
                                           QSize(fm.horizontalAdvance(text), fm.height()), box);
    return fm.tightBoundingRect(text).translated(line.left(), line.top() + fm.ascent());
}

// Where a control draws, in dialog coordinates: a radio button its indicator and the ink of its
// text (centred on the button's height), a static the ink of its text, anything else its frame.
QRect drawnArea(QWidget* w) {
    const QFontMetrics fm(w->font());
    QRect area = w->rect();
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        const QStyle* style = radio->style();
        const QRect contents = style->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        area = style->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio) |
               textInk(fm, contents, Qt::AlignLeft | Qt::AlignVCenter, radio->text());
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        area = textInk(fm, label->contentsRect(), label->alignment(), label->text());
    }
    return area.translated(w->pos());
}

// The layout a user can read: every text fits its control, every control lies inside the
// dialog, and no two controls draw over each other.
void expectReadableLayout(FixedLayoutDialog& d) {
    expectTextsFit(d);
    const std::vector<QWidget*>& all = d.controls();
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(d.rect().contains(all[i]->geometry()))
            << describe(all[i]) << " sticks out of " << d.windowTitle().toStdString();
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            EXPECT_FALSE(drawnArea(all[i]).intersects(drawnArea(all[j])))
                << describe(all[i]) << " overlaps " << describe(all[j])
                << " in " << d.windowTitle().toStdString();
        }
    }
}

void expectFrame(FixedLayoutDialog& d, const char* caption, int w, int h, bool closeButton) {
    EXPECT_EQ(d.windowTitle(), caption);
    EXPECT_EQ(d.size(), QSize(d.units().toPixelsX(w), d.units().toPixelsY(h)));
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "fixed size";
    EXPECT_TRUE(d.isModal());
    EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_EQ(d.windowFlags().testFlag(Qt::WindowSystemMenuHint), closeButton);
    EXPECT_EQ(d.windowFlags().testFlag(Qt::WindowCloseButtonHint), closeButton);
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
    auto* ok = qobject_cast<QPushButton*>(d.control(kIdOk));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    for (int id : {kIdCancel}) {
        EXPECT_FALSE(qobject_cast<QPushButton*>(d.control(id))->isDefault());
    }
}

std::vector<int> ids(FixedLayoutDialog& d, const std::vector<QWidget*>& widgets) {
    std::vector<int> out;
    for (QWidget* w : widgets) {
        int id = 0;
        for (int candidate = 0; candidate < 1200; ++candidate) {
            if (d.control(candidate) == w) {
                id = candidate;
            }
        }
        out.push_back(id);
    }
    return out;
}

// A score with a pitch in every measure of every track, so that resets show.
Score scoreWithNotes(int measures, int tracks) {
    Score score;
    for (int m = 1; m < measures; ++m) {
        score.addMeasure(0, 120, 4);
    }
    for (int t = 1; t < tracks; ++t) {
        score.addTrack(0, Treble);
    }
    for (Track& track : score.tracks) {
        for (TrackMeasure& measure : track.measures) {
            measure.front().pitches.push_back({2, AccidentalNone});
        }
    }
    return score;
}

bool allRests(const TrackMeasure& measure, int beats) {
    if (static_cast<int>(measure.size()) != beats) {
        return false;
    }
    for (const Note& note : measure) {
        if (!note.isRest() || note.duration != 4) {
            return false;
        }
    }
    return true;
}

TEST(LayoutUnitsTest, RoundToNearestAt96DpiAndScaleWithTheScreen) {
    const LayoutUnits at96 = LayoutUnits::forDpi(96, 96);
    EXPECT_EQ(at96.charWidth, 6);
    EXPECT_EQ(at96.lineHeight, 13);
    // 211 x 121 units: 316.5 and 196.625 pixels, rounded to nearest.
    EXPECT_EQ(at96.toPixelsX(211), 317);
    EXPECT_EQ(at96.toPixelsY(121), 197);
    EXPECT_EQ(at96.toPixels(7, 7, 50, 14), QRect(11, 11, 75, 23));
    const LayoutUnits at144 = LayoutUnits::forDpi(144, 144);
    EXPECT_EQ(at144.charWidth, 9);
    EXPECT_EQ(at144.lineHeight, 20);
    EXPECT_EQ(at144.toPixelsX(50), 113);
    EXPECT_EQ(at144.toPixelsY(14), 35);
}

TEST(DialogFontTest, IsTheSansFaceTheLayoutsWereMeasuredWith) {
    const QFontInfo info(dialogFont());
    EXPECT_TRUE(info.family().startsWith("Nimbus Sans")) << "install fonts-urw-base35";
}

class TrackDialogTest : public ::testing::Test {
  protected:
    Score score = scoreWithNotes(3, 2);
    ModalScript boxes;
};

TEST_F(TrackDialogTest, FrameLabelsTabOrderAndLayout) {
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    expectFrame(d, "Track Properties", 527, 238, false);
    std::vector<int> expectedIds = {1, 2, 1001, 1002};
    std::vector<std::string> expectedTexts = {"OK", "Cancel", "Treble Clef", "Bass Clef"};
    for (int p = 0; p < 128; ++p) {
        expectedIds.push_back(1003 + p);
        expectedTexts.emplace_back(instrumentName(p));
    }
    expectedIds.insert(expectedIds.end(), {4, 5});
    expectedTexts.insert(expectedTexts.end(), {"Delete Track", "Make Drums"});
    EXPECT_EQ(ids(d, tabChain(d)), expectedIds);
    EXPECT_EQ(ids(d, focusable(d)), expectedIds);
    EXPECT_EQ(texts(d), expectedTexts);
    expectReadableLayout(d);
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.focusWidget(), d.control(kIdOk));
}

TEST_F(TrackDialogTest, InstrumentButtonsReadDownEqualColumnsInProgramOrder) {
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    std::vector<int> perColumn = {1};
    for (int p = 1; p < 128; ++p) {
        const QRect previous = d.control(1003 + p - 1)->geometry();
        const QRect button = d.control(1003 + p)->geometry();
        if (button.x() == previous.x()) {
            EXPECT_GT(button.y(), previous.y()) << instrumentName(p) << " stands below the one before";
            ++perColumn.back();
        } else {
            EXPECT_GT(button.x(), previous.right()) << instrumentName(p) << " starts a column";
            EXPECT_LT(button.y(), previous.y()) << instrumentName(p) << " starts at the top";
            perColumn.push_back(1);
        }
    }
    ASSERT_GT(perColumn.size(), 1u);
    for (std::size_t c = 1; c + 1 < perColumn.size(); ++c) {
        EXPECT_EQ(perColumn[c], perColumn.front()) << "column " << c;
    }
    EXPECT_LE(perColumn.back(), perColumn.front()) << "only the last column is shorter";
}

TEST_F(TrackDialogTest, ShowsTheTracksClefAndInstrument) {
    score.tracks[1].kind = Bass;
    score.tracks[1].program = 73;
    TrackDialogModel model(score, 1);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    EXPECT_FALSE(qobject_cast<QRadioButton*>(d.control(1001))->isChecked());
    EXPECT_TRUE(qobject_cast<QRadioButton*>(d.control(1002))->isChecked());
    for (int p = 0; p < 128; ++p) {
        EXPECT_EQ(qobject_cast<QRadioButton*>(d.control(1003 + p))->isChecked(), p == 73) << p;
    }
}

TEST_F(TrackDialogTest, OkWithoutChangesKeepsTheTrackAndItsNotes) {
    const Score before = score;
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    d.show();
    d.press(kIdOk);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), kIdOk);
    EXPECT_EQ(score, before);
}

TEST_F(TrackDialogTest, OkAppliesTheClickedClefAndInstrument) {
    const Track other = score.tracks[1];
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTest::mouseClick(d.control(1002), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(d.control(1003 + 40), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(qobject_cast<QRadioButton*>(d.control(1002))->isChecked());
    EXPECT_FALSE(qobject_cast<QRadioButton*>(d.control(1001))->isChecked())
        << "the clefs are one group";
    EXPECT_FALSE(qobject_cast<QRadioButton*>(d.control(1003))->isChecked())
        << "the instruments are one group";
    EXPECT_TRUE(qobject_cast<QRadioButton*>(d.control(1002))->isChecked())
        << "choosing an instrument keeps the clef";
    QTest::mouseClick(d.control(kIdOk), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(score.tracks[0].kind, Bass);
    EXPECT_EQ(score.tracks[0].program, 40);
    for (std::size_t m = 0; m < score.measures.size(); ++m) {
        EXPECT_TRUE(allRests(score.tracks[0].measures[m], 4)) << m;
    }
    EXPECT_EQ(score.tracks[1], other);
}

TEST_F(TrackDialogTest, CancelAndEscapeChangeNothing) {
    const Score before = score;
    for (const bool escape : {false, true}) {
        TrackDialogModel model(score, 0);
        TrackPropertiesDialog d(nullptr, model, boxes.runner());
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        qobject_cast<QRadioButton*>(d.control(1002))->click();
        qobject_cast<QRadioButton*>(d.control(1003 + 5))->click();
        if (escape) {
            QTest::keyClick(&d, Qt::Key_Escape);
        } else {
            d.press(kIdCancel);
        }
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), kIdCancel);
        EXPECT_EQ(score, before);
    }
}

TEST_F(TrackDialogTest, EnterPressesOk) {
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    qobject_cast<QRadioButton*>(d.control(1003 + 9))->click();
    QTest::keyClick(d.control(1003 + 9), Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(score.tracks[0].program, 9);
}

TEST_F(TrackDialogTest, MakeDrumsAnsweredNoStaysThenYesMakesADrumLine) {
    score.tracks[0].program = 33;
    const Score before = score;
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    qobject_cast<QRadioButton*>(d.control(1002))->click();
    qobject_cast<QRadioButton*>(d.control(1003 + 7))->click();

    boxes.then(test::box(QMessageBox::No, "Deleting track to make drum track, are you sure?",
                         "Corvane", QMessageBox::NoIcon));
    d.press(5);
    EXPECT_TRUE(d.isVisible()) << "No keeps the dialog open";
    EXPECT_EQ(score, before);

    boxes.then(
        test::box(QMessageBox::Yes, "Deleting track to make drum track, are you sure?", "Corvane"));
    d.press(5);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), kIdCancel);
    EXPECT_EQ(score.tracks[0].kind, Drums);
    EXPECT_EQ(score.tracks[0].program, 33) << "the dialog's choices are dropped";
    for (std::size_t m = 0; m < score.measures.size(); ++m) {
        EXPECT_TRUE(allRests(score.tracks[0].measures[m], 4)) << m;
    }
    EXPECT_EQ(score.tracks[1], before.tracks[1]);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].parent, &d) << "the dialog owns its confirmations";
    EXPECT_TRUE(boxes.done());
}

TEST_F(TrackDialogTest, DeleteTrackAnsweredNoStaysThenYesDeletes) {
    const Score before = score;
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    d.show();
    boxes.then(test::box(QMessageBox::No, "Deleting track, are you sure?", "Corvane"));
    d.press(4);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(score, before);
    boxes.then(test::box(QMessageBox::Yes, "Deleting track, are you sure?", "Corvane"));
    d.press(4);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), kIdOk);
    ASSERT_EQ(score.tracks.size(), 1u);
    EXPECT_EQ(score.tracks[0], before.tracks[1]);
}

TEST_F(TrackDialogTest, DeletingTheOnlyTrackLeavesNoTracks) {
    Score single = scoreWithNotes(2, 1);
    TrackDialogModel model(single, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    boxes.then(test::box(QMessageBox::Yes, "Deleting track, are you sure?", "Corvane"));
    d.press(4);
    EXPECT_TRUE(single.tracks.empty());
    EXPECT_EQ(single.measures.size(), 2u) << "the timeline stays";
}

TEST_F(TrackDialogTest, ClosingTheConfirmationCountsAsNo) {
    const Score before = score;
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    d.show();
    boxes.then([](QDialog& box) {
        box.reject();
        return box.result();
    });
    d.press(4);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(score, before);
}

TEST(DrumTrackDialogTest, FrameLayoutAndButtons) {
    Score score = scoreWithNotes(2, 2);
    score.tracks[1].kind = Drums;
    const Score before = score;
    ModalScript boxes;
    {
        DrumTrackDialogModel model(score, 1);
        DrumTrackPropertiesDialog d(nullptr, model, boxes.runner());
        expectFrame(d, "Drum Track Properties", 114, 95, false);
        EXPECT_EQ(texts(d), (std::vector<std::string>{"OK", "Cancel", "Delete Track"}));
        EXPECT_EQ(ids(d, tabChain(d)), (std::vector<int>{1, 2, 4}));
        expectReadableLayout(d);
        d.show();
        d.press(kIdOk);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), kIdOk);
        EXPECT_EQ(score, before);
    }
    {
        DrumTrackDialogModel model(score, 1);
        DrumTrackPropertiesDialog d(nullptr, model, boxes.runner());
        d.show();
        d.press(kIdCancel);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), kIdCancel);
        EXPECT_EQ(score, before);
    }
    {
        DrumTrackDialogModel model(score, 1);
        DrumTrackPropertiesDialog d(nullptr, model, boxes.runner());
        d.show();
        boxes.then(test::box(QMessageBox::No, "Deleting track, are you sure?", "Corvane"));
        d.press(4);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(score, before);
        boxes.then(test::box(QMessageBox::Yes, "Deleting track, are you sure?", "Corvane"));
        d.press(4);
        EXPECT_FALSE(d.isVisible());
        ASSERT_EQ(score.tracks.size(), 1u);
        EXPECT_EQ(score.tracks[0], before.tracks[0]);
    }
}

class MeasureDialogTest : public ::testing::Test {
  protected:
    Score score = scoreWithNotes(6, 2);
    int copies = 0;
    MeasureDialogModel model(int measure) {
        return MeasureDialogModel(score, measure, [this] { ++copies; });
    }
    static QRadioButton* radio(FixedLayoutDialog& d, int id) {
        return qobject_cast<QRadioButton*>(d.control(id));
    }
    static QLineEdit* tempo(FixedLayoutDialog& d) { return qobject_cast<QLineEdit*>(d.control(1026)); }
};

TEST_F(MeasureDialogTest, FrameLabelsTabOrderAndLayout) {
    MeasureDialogModel m = model(0);
    MeasurePropertiesDialog d(nullptr, m);
    expectFrame(d, "Measure Properties", 211, 121, true);
    EXPECT_EQ(texts(d), (std::vector<std::string>{"OK", "Cancel", "3/4", "4/4", "5/4", "C", "F",
                                                  "Bb", "Eb", "Ab", "Db", "Gb", "G", "D", "A",
                                                  "E", "B", "F#", "Key", "Meter", "120", "BPM:",
                                                  "Copy"}));
    EXPECT_EQ(ids(d, tabChain(d)),
              (std::vector<int>{1,    2,    1023, 1024, 1025, 1027, 1028, 1029, 1030, 1031,
                                1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1026, 3}));
    expectReadableLayout(d);
}

// C on top; below it the flat keys down the left and the sharp keys down the right, one more
// accidental a row; the meters top to bottom.
TEST_F(MeasureDialogTest, KeysStandAsACircleOfFifths) {
    MeasureDialogModel m = model(0);
    MeasurePropertiesDialog d(nullptr, m);
    const QRect c = d.control(1027)->geometry();
    for (int accidentals = 1; accidentals <= 6; ++accidentals) {
        const QRect flat = d.control(keyButtonId(-accidentals))->geometry();
        const QRect sharp = d.control(keyButtonId(accidentals))->geometry();
        EXPECT_GT(flat.y(), c.y()) << accidentals;
        EXPECT_EQ(flat.y(), sharp.y()) << "a row holds one flat and one sharp key";
        EXPECT_LT(flat.x(), c.center().x()) << accidentals;
        EXPECT_GT(sharp.right(), c.center().x()) << accidentals;
        EXPECT_LE(flat.right(), sharp.left()) << accidentals;
        if (accidentals > 1) {
            const QRect above = d.control(keyButtonId(-(accidentals - 1)))->geometry();
            EXPECT_EQ(flat.x(), above.x()) << accidentals;
            EXPECT_GT(flat.y(), above.y()) << accidentals;
        }
    }
    for (int id = 1024; id <= 1025; ++id) {
        EXPECT_GT(d.control(id)->y(), d.control(id - 1)->y()) << id;
    }
}

TEST_F(MeasureDialogTest, ShowsKeyMeterAndTempo) {
    struct Case {
        int key, beats, tempo;
        int keyButton;
        int meterButton;  // 0: none
    };
    const Case cases[] = {
        {0, 4, 120, 1027, 1024}, {-1, 3, 60, 1028, 1023}, {-6, 5, 1, 1033, 1025},
        {1, 4, 255, 1034, 1024}, {6, 4, 90, 1039, 1024},  {9, 6, 100, 1039, 0},
        {-7, 2, 100, 1039, 0},
    };
    for (const Case& c : cases) {
        score.measures[2] = {c.key, c.tempo, c.beats};
        MeasureDialogModel m = model(2);
        MeasurePropertiesDialog d(nullptr, m);
        for (int id = 1027; id <= 1039; ++id) {
            EXPECT_EQ(radio(d, id)->isChecked(), id == c.keyButton) << c.key << " " << id;
        }
        for (int id = 1023; id <= 1025; ++id) {
            EXPECT_EQ(radio(d, id)->isChecked(), id == c.meterButton) << c.beats << " " << id;
        }
        EXPECT_EQ(tempo(d)->text(), QString::number(c.tempo));
    }
}

TEST_F(MeasureDialogTest, KeyChangeRunsForwardAndRefillsEveryTrack) {
    const Score before = score;
    MeasureDialogModel m = model(2);
    MeasurePropertiesDialog d(nullptr, m);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTest::mouseClick(d.control(1035), Qt::LeftButton, {}, QPoint(4, 8));  // D: two sharps
    EXPECT_FALSE(radio(d, 1027)->isChecked()) << "the keys are one group";
    EXPECT_TRUE(radio(d, 1024)->isChecked()) << "and the meters another";
    d.press(kIdOk);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), kIdOk);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(score.measures[i].key, i < 2 ? 0 : 2) << i;
        for (std::size_t t = 0; t < 2; ++t) {
            if (i < 2) {
                EXPECT_EQ(score.tracks[t].measures[i], before.tracks[t].measures[i]);
            } else {
                EXPECT_TRUE(allRests(score.tracks[t].measures[i], 4)) << t << " " << i;
            }
        }
    }
}

TEST_F(MeasureDialogTest, TempoIsTypedAsDigitsAndClamped) {
    struct Case {
        const char* typed;
        const char* shown;
        int tempo;
    };
    const Case cases[] = {{"300", "300", 255},
                          {"", "", 1},
                          {"0", "0", 1},
                          {"100", "100", 100},
                          {"9x9", "99", 99},
                          {"-5", "5", 5},
                          {"000000000042", "000000000042", 1}};
    for (const Case& c : cases) {
        score.measures[0].tempo = 120;
        score.measures[1].tempo = 120;
        score.measures[2].tempo = 90;
        MeasureDialogModel m = model(0);
        MeasurePropertiesDialog d(nullptr, m);
        d.show();
        QLineEdit* box = tempo(d);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, c.typed);
        EXPECT_EQ(box->text(), c.shown) << "digits only";
        d.press(kIdOk);
        EXPECT_EQ(score.measures[0].tempo, c.tempo) << c.typed;
        EXPECT_EQ(score.measures[1].tempo, c.tempo) << c.typed;
        EXPECT_EQ(score.measures[2].tempo, 90) << "the run stops at another tempo";
    }
}

TEST_F(MeasureDialogTest, MeterButtonsAndNoneSelected) {
    score.measures[0].beats = 6;  // a value the dialog never sets
    for (auto& track : score.tracks) {
        track.measures[0] = freshMeasure(6);
    }
    MeasureDialogModel m = model(0);
    MeasurePropertiesDialog d(nullptr, m);
    d.show();
    d.press(kIdOk);
    EXPECT_EQ(score.measures[0].beats, 5) << "no meter selected confirms 5 beats";
    EXPECT_EQ(score.measures[1].beats, 4);

    MeasureDialogModel m2 = model(1);
    MeasurePropertiesDialog d2(nullptr, m2);
    d2.show();
    radio(d2, 1023)->click();
    d2.press(kIdOk);
    for (std::size_t i = 1; i < 6; ++i) {
        EXPECT_EQ(score.measures[i].beats, 3);
        EXPECT_TRUE(allRests(score.tracks[1].measures[i], 3));
    }
}

TEST_F(MeasureDialogTest, CopyFillsTheClipboardAndAppliesNothing) {
    const Score before = score;
    MeasureDialogModel m = model(3);
    MeasurePropertiesDialog d(nullptr, m);
    d.show();
    radio(d, 1030)->click();
    tempo(d)->setText("60");
    d.press(3);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), kIdCancel);
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(score, before);
}

TEST_F(MeasureDialogTest, CancelEscapeAndTheCloseBoxChangeNothing) {
    const Score before = score;
    for (int way = 0; way < 3; ++way) {
        MeasureDialogModel m = model(1);
        MeasurePropertiesDialog d(nullptr, m);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        radio(d, 1031)->click();
        radio(d, 1025)->click();
        tempo(d)->setText("61");
        if (way == 0) {
            d.press(kIdCancel);
        } else if (way == 1) {
            QTest::keyClick(&d, Qt::Key_Escape);
        } else {
            d.close();
        }
        EXPECT_FALSE(d.isVisible()) << way;
        EXPECT_EQ(score, before) << way;
        EXPECT_EQ(copies, 0);
    }
}

TEST_F(MeasureDialogTest, UnchangedOkChangesNothing) {
    const Score before = score;
    MeasureDialogModel m = model(1);
    MeasurePropertiesDialog d(nullptr, m);
    d.show();
    d.press(kIdOk);
    EXPECT_EQ(score, before);
}

// Each key button names the major key with that many sharps (or flats), and reads back as it.
TEST(KeyButtonsTest, EachNamesItsKey) {
    const char* const majorKeys[] = {"Gb", "Db", "Ab", "Eb", "Bb", "F", "C",
                                     "G",  "D",  "A",  "E",  "B",  "F#"};
    Score score = scoreWithNotes(1, 1);
    MeasureDialogModel model(score, 0, [] {});
    MeasurePropertiesDialog d(nullptr, model);
    for (int key = -6; key <= 6; ++key) {
        const int id = keyButtonId(key);
        EXPECT_EQ(textOf(d.control(id)).toStdString(), majorKeys[key + 6]) << key;
        EXPECT_EQ(keyOfButton(id), key);
    }
    EXPECT_EQ(keyButtonId(7), keyButtonId(6)) << "beyond six sharps or flats shows F#";
    EXPECT_EQ(keyButtonId(-7), keyButtonId(6));
}

class DynamicDialogTest : public ::testing::Test {
  protected:
    static QLineEdit* box(FixedLayoutDialog& d) { return qobject_cast<QLineEdit*>(d.control(1040)); }
};

TEST_F(DynamicDialogTest, FrameLabelsTabOrderAndLayout) {
    DynamicDialogModel model;
    DynamicDialog d(nullptr, model);
    expectFrame(d, "Dynamic", 164, 83, false);
    EXPECT_EQ(texts(d),
              (std::vector<std::string>{"OK", "Cancel", "Enter Dynamic (1-127):", ""}));
    EXPECT_EQ(ids(d, tabChain(d)), (std::vector<int>{1, 2, 1040}));
    expectReadableLayout(d);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.focusWidget(), d.control(kIdOk)) << "the focus lands on OK";
}

TEST_F(DynamicDialogTest, OkClampsTheTypedVelocity) {
    struct Case {
        const char* typed;
        int velocity;
    };
    const Case cases[] = {{"64", 64},   {"500", 127}, {"", 1},  {"0", 1},
                          {"127", 127}, {"128", 127}, {"1", 1}, {"a7", 7}};
    for (const Case& c : cases) {
        DynamicDialogModel model;
        DynamicDialog d(nullptr, model);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        EXPECT_TRUE(box(d)->text().isEmpty()) << "the box starts empty";
        QTest::keyClicks(box(d), c.typed);
        QTest::keyClick(box(d), Qt::Key_Return);
        EXPECT_FALSE(d.isVisible()) << "Enter presses OK";
        EXPECT_EQ(d.result(), kIdOk);
        EXPECT_EQ(model.velocity, c.velocity) << c.typed;
    }
}

TEST_F(DynamicDialogTest, CancelAndEscapeLeaveNoVelocity) {
    for (const bool escape : {false, true}) {
        DynamicDialogModel model;
        model.velocity = 64;  // an earlier OK that was not used yet
        DynamicDialog d(nullptr, model);
        d.show();
        QTest::keyClicks(box(d), "99");
        if (escape) {
            QTest::keyClick(box(d), Qt::Key_Escape);
        } else {
            d.press(kIdCancel);
        }
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), kIdCancel);
        EXPECT_EQ(model.velocity, 0);
    }
}

}  // namespace
}  // namespace corvane
