// The dialog windows: their layout from dialog units, tab order, captions and frames, that every
// text fits, and what every button does to the score through the dialog models.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTest>

#include "dialogs/dynamic_dialog.h"
#include "dialogs/measure_dialog.h"
#include "dialogs/track_dialogs.h"
#include "modal_script.h"
#include "score/instruments.h"

namespace corvane {
namespace {

using test::ModalScript;

// A control of a template: id (0 for statics), text, place in dialog units.
struct Placed {
    int id;
    const char* text;
    int x, y, w, h;
};

// Every control of `d` with a focus policy, in the order tab moves through them.
std::vector<QWidget*> tabChain(TemplateDialog& d) {
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

std::vector<QWidget*> focusable(TemplateDialog& d) {
    std::vector<QWidget*> out;
    for (QWidget* w : d.controls()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            out.push_back(w);
        }
    }
    return out;
}

// Every text is shown whole: in its button's text area, or within its static's box.
void expectTextsFit(TemplateDialog& d) {
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
        EXPECT_TRUE(d.rect().contains(w->geometry())) << w->metaObject()->className();
    }
}

void expectPlaced(TemplateDialog& d, const std::vector<Placed>& table) {
    for (const Placed& p : table) {
        QWidget* w = nullptr;
        if (p.id != 0) {
            w = d.control(p.id);
        } else {
            for (QWidget* c : d.controls()) {
                if (auto* label = qobject_cast<QLabel*>(c); label && label->text() == p.text) {
                    w = c;
                }
            }
        }
        ASSERT_NE(w, nullptr) << p.id << " " << p.text;
        EXPECT_EQ(w->geometry(), d.units().toPixels(p.x, p.y, p.w, p.h)) << p.id << " " << p.text;
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            text = edit->text();
        }
        EXPECT_EQ(text, QString::fromUtf8(p.text)) << p.id;
    }
}

void expectFrame(TemplateDialog& d, const char* caption, int w, int h, bool systemMenu) {
    EXPECT_EQ(d.windowTitle(), caption);
    EXPECT_EQ(d.size(), QSize(d.units().toPixelsX(w), d.units().toPixelsY(h)));
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "fixed size";
    EXPECT_TRUE(d.isModal());
    EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_EQ(d.windowFlags().testFlag(Qt::WindowSystemMenuHint), systemMenu);
    EXPECT_EQ(d.windowFlags().testFlag(Qt::WindowCloseButtonHint), systemMenu);
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
    auto* ok = qobject_cast<QPushButton*>(d.control(kIdOk));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    for (int id : {kIdCancel}) {
        EXPECT_FALSE(qobject_cast<QPushButton*>(d.control(id))->isDefault());
    }
}

std::vector<int> ids(TemplateDialog& d, const std::vector<QWidget*>& widgets) {
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

TEST(DialogUnitsTest, ConvertLikeTheSystemAt96AndScaleWithTheScreen) {
    const DialogUnits at96 = DialogUnits::forDpi(96, 96);
    EXPECT_EQ(at96.baseX, 6);
    EXPECT_EQ(at96.baseY, 13);
    // 211 x 121 units: 316.5 and 196.625 pixels, rounded to nearest.
    EXPECT_EQ(at96.toPixelsX(211), 317);
    EXPECT_EQ(at96.toPixelsY(121), 197);
    EXPECT_EQ(at96.toPixels(7, 7, 50, 14), QRect(11, 11, 75, 23));
    const DialogUnits at144 = DialogUnits::forDpi(144, 144);
    EXPECT_EQ(at144.baseX, 9);
    EXPECT_EQ(at144.baseY, 20);
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

TEST_F(TrackDialogTest, LayoutTabOrderAndFrame) {
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    expectFrame(d, "Track Properties", 527, 238, false);
    expectPlaced(d, {{1, "OK", 470, 7, 50, 14},
                     {2, "Cancel", 470, 24, 50, 14},
                     {1001, "Treble Clef", 7, 7, 50, 10},
                     {1002, "Bass Clef", 7, 16, 50, 10}});
    std::vector<int> expected = {1, 2, 1001, 1002};
    for (int p = 0; p < 128; ++p) {
        expected.push_back(1003 + p);
    }
    expected.push_back(4);
    expected.push_back(5);
    EXPECT_EQ(ids(d, tabChain(d)), expected);
    EXPECT_EQ(ids(d, focusable(d)), expected);
    expectTextsFit(d);
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.focusWidget(), d.control(kIdOk));
}

TEST_F(TrackDialogTest, InstrumentButtonsStandInSixColumnsAndNothingOverlaps) {
    TrackDialogModel model(score, 0);
    TrackPropertiesDialog d(nullptr, model, boxes.runner());
    std::map<int, int> perColumn;
    for (int p = 0; p < 128; ++p) {
        auto* radio = qobject_cast<QRadioButton*>(d.control(1003 + p));
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->text().toStdString(), instrumentName(p));
        EXPECT_EQ(radio->height(), d.units().toPixelsY(8));
        ++perColumn[radio->x()];
        if (p % 23 != 0) {
            // Down the column, 8 units apart.
            const QWidget* above = d.control(1003 + p - 1);
            EXPECT_EQ(radio->x(), above->x());
            EXPECT_EQ(radio->y() - above->y(),
                      d.units().toPixelsY(8 * (p % 23)) - d.units().toPixelsY(8 * (p % 23 - 1)));
        }
    }
    ASSERT_EQ(perColumn.size(), 6u);
    std::vector<int> counts;
    for (const auto& [x, n] : perColumn) {
        counts.push_back(n);
    }
    EXPECT_EQ(counts, (std::vector<int>{23, 23, 23, 23, 23, 13}));
    // The two clef buttons keep their template places, which share one unit; everything else
    // stands clear of everything.
    const std::vector<QWidget*>& all = d.controls();
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            if (all[i] == d.control(1001) && all[j] == d.control(1002)) {
                continue;
            }
            EXPECT_FALSE(all[i]->geometry().intersects(all[j]->geometry()))
                << ids(d, {all[i]})[0] << " overlaps " << ids(d, {all[j]})[0];
        }
    }
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

TEST(DrumTrackDialogTest, LayoutFrameAndButtons) {
    Score score = scoreWithNotes(2, 2);
    score.tracks[1].kind = Drums;
    const Score before = score;
    ModalScript boxes;
    {
        DrumTrackDialogModel model(score, 1);
        DrumTrackPropertiesDialog d(nullptr, model, boxes.runner());
        expectFrame(d, "Drum Track Properties", 114, 95, false);
        expectPlaced(d, {{1, "OK", 34, 17, 50, 14},
                         {2, "Cancel", 34, 34, 50, 14},
                         {4, "Delete Track", 34, 57, 50, 14}});
        EXPECT_EQ(ids(d, tabChain(d)), (std::vector<int>{1, 2, 4}));
        expectTextsFit(d);
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
    static QRadioButton* radio(TemplateDialog& d, int id) {
        return qobject_cast<QRadioButton*>(d.control(id));
    }
    static QLineEdit* tempo(TemplateDialog& d) { return qobject_cast<QLineEdit*>(d.control(1026)); }
};

TEST_F(MeasureDialogTest, LayoutTabOrderAndFrame) {
    MeasureDialogModel m = model(0);
    MeasurePropertiesDialog d(nullptr, m);
    expectFrame(d, "Measure Properties", 211, 121, true);
    expectPlaced(d, {
                        {1, "OK", 154, 7, 50, 14},      {2, "Cancel", 154, 24, 50, 14},
                        {1023, "3/4", 104, 27, 23, 8},  {1024, "4/4", 104, 37, 26, 8},
                        {1025, "5/4", 104, 46, 28, 8},  {1027, "C", 36, 25, 21, 12},
                        {1028, "F", 21, 36, 29, 12},    {1029, "Bb", 21, 46, 29, 12},
                        {1030, "Eb", 21, 56, 29, 12},   {1031, "Ab", 21, 66, 29, 12},
                        {1032, "Db", 21, 76, 29, 12},   {1033, "Gb", 21, 87, 29, 12},
                        {1034, "G", 51, 36, 29, 12},    {1035, "D", 51, 46, 29, 12},
                        {1036, "A", 51, 56, 29, 12},    {1037, "E", 51, 66, 29, 12},
                        {1038, "B", 51, 76, 29, 12},    {1039, "F#", 51, 87, 29, 12},
                        {0, "Key", 35, 14, 24, 12},     {0, "Meter", 100, 16, 26, 11},
                        {1026, "120", 131, 73, 32, 12}, {0, "BPM:", 111, 75, 17, 12},
                        {3, "Copy", 154, 100, 50, 14},
                    });
    EXPECT_EQ(ids(d, tabChain(d)),
              (std::vector<int>{1,    2,    1023, 1024, 1025, 1027, 1028, 1029, 1030, 1031,
                                1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1026, 3}));
    expectTextsFit(d);
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

TEST(KeyButtonsTest, MapBothWays) {
    const int table[13][2] = {{0, 1027},  {-1, 1028}, {-2, 1029}, {-3, 1030}, {-4, 1031},
                              {-5, 1032}, {-6, 1033}, {1, 1034},  {2, 1035},  {3, 1036},
                              {4, 1037},  {5, 1038},  {6, 1039}};
    for (const auto& [key, id] : table) {
        EXPECT_EQ(keyButtonId(key), id);
        EXPECT_EQ(keyOfButton(id), key);
    }
    EXPECT_EQ(keyButtonId(7), 1039);
    EXPECT_EQ(keyButtonId(-7), 1039);
}

class DynamicDialogTest : public ::testing::Test {
  protected:
    static QLineEdit* box(TemplateDialog& d) { return qobject_cast<QLineEdit*>(d.control(1040)); }
};

TEST_F(DynamicDialogTest, LayoutTabOrderAndFrame) {
    DynamicDialogModel model;
    DynamicDialog d(nullptr, model);
    expectFrame(d, "Dynamic", 164, 83, false);
    expectPlaced(d, {{1, "OK", 99, 22, 50, 14},
                     {2, "Cancel", 99, 39, 50, 14},
                     {0, "Enter Dynamic (1-127):", 15, 23, 76, 11},
                     {1040, "", 43, 34, 44, 13}});
    EXPECT_EQ(ids(d, tabChain(d)), (std::vector<int>{1, 2, 1040}));
    expectTextsFit(d);
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
