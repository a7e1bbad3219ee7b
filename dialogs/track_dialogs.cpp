#include "dialogs/track_dialogs.h"

#include "score/instruments.h"

namespace corvane {

namespace {

// The instrument buttons stand in columns of 23, top to bottom, then left to right.
constexpr int kColumnLength = 23;
constexpr int kInstrumentStep = 8;
constexpr int kInstrumentHeight = 8;
struct Column {
    int x;
    int y;
    int width;
};
// Each column is as wide as its longest name needs and stops short of the next one.
constexpr std::array<Column, 6> kColumns = {{
    {7, 40, 98},
    {107, 40, 82},
    {191, 40, 86},
    {279, 40, 78},
    {359, 39, 76},
    {437, 39, 83},
}};

// The Yes/No confirmations of a dialog's buttons, as boxes owned by `dialog`.
Confirm confirmationsIn(QWidget* dialog, const ModalRunner& run) {
    return [dialog, &run](std::string_view text, std::string_view caption) {
        return askYesNo(dialog, text, caption, run);
    };
}

}  // namespace

TrackPropertiesDialog::TrackPropertiesDialog(QWidget* parent, TrackDialogModel& model,
                                             ModalRunner confirm)
    : FixedLayoutDialog(parent, QStringLiteral("Track Properties"), 527, 238, false),
      model_(model),
      confirm_(std::move(confirm)),
      clefs_(new QButtonGroup(this)),
      instruments_(new QButtonGroup(this)) {
    using namespace track_ids;
    QPushButton* ok = addButton(kIdOk, QStringLiteral("OK"), 470, 7, 50, 14, true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &TrackPropertiesDialog::okClicked);
    connect(addButton(kIdCancel, QStringLiteral("Cancel"), 470, 24, 50, 14), &QPushButton::clicked,
            this, &TrackPropertiesDialog::cancelClicked);
    addRadio(*clefs_, kTrebleClef, QStringLiteral("Treble Clef"), 7, 7, 50, 10);
    addRadio(*clefs_, kBassClef, QStringLiteral("Bass Clef"), 7, 16, 50, 10);
    for (int program = 0; program < 128; ++program) {
        const Column& column = kColumns[static_cast<std::size_t>(program / kColumnLength)];
        const int row = program % kColumnLength;
        addRadio(*instruments_, kFirstInstrument + program, toQString(instrumentName(program)),
                 column.x, column.y + row * kInstrumentStep, column.width, kInstrumentHeight);
    }
    // Below the last, shorter column, clear of the instrument buttons.
    connect(addButton(kDeleteTrack, QStringLiteral("Delete Track"), 454, 191, 50, 14),
            &QPushButton::clicked, this, &TrackPropertiesDialog::deleteTrackClicked);
    connect(addButton(kMakeDrums, QStringLiteral("Make Drums"), 454, 160, 50, 14),
            &QPushButton::clicked, this, &TrackPropertiesDialog::makeDrumsClicked);

    if (auto* clef = clefs_->button(model_.clef == Bass ? kBassClef : kTrebleClef)) {
        clef->setChecked(true);
    }
    if (model_.program) {
        if (auto* instrument = instruments_->button(kFirstInstrument + *model_.program)) {
            instrument->setChecked(true);
        }
    }
}

void TrackPropertiesDialog::okClicked() {
    const int clef = clefs_->checkedId();
    if (clef == track_ids::kTrebleClef) {
        model_.clef = Treble;
    } else if (clef == track_ids::kBassClef) {
        model_.clef = Bass;
    }
    const int instrument = instruments_->checkedId();
    model_.program = instrument >= track_ids::kFirstInstrument
                         ? std::optional<int>(instrument - track_ids::kFirstInstrument)
                         : std::nullopt;
    finish(model_.ok(), kResultOk);
}

void TrackPropertiesDialog::cancelClicked() {
    finish(model_.cancel(), kResultCancel);
}

void TrackPropertiesDialog::deleteTrackClicked() {
    finish(model_.deleteTrack(confirmationsIn(this, confirm_)), kResultOk);
}

void TrackPropertiesDialog::makeDrumsClicked() {
    finish(model_.makeDrums(confirmationsIn(this, confirm_)), kResultCancel);
}

DrumTrackPropertiesDialog::DrumTrackPropertiesDialog(QWidget* parent, DrumTrackDialogModel& model,
                                                     ModalRunner confirm)
    : FixedLayoutDialog(parent, QStringLiteral("Drum Track Properties"), 114, 95, false),
      model_(model),
      confirm_(std::move(confirm)) {
    QPushButton* ok = addButton(kIdOk, QStringLiteral("OK"), 34, 17, 50, 14, true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &DrumTrackPropertiesDialog::okClicked);
    connect(addButton(kIdCancel, QStringLiteral("Cancel"), 34, 34, 50, 14), &QPushButton::clicked,
            this, &DrumTrackPropertiesDialog::cancelClicked);
    connect(addButton(track_ids::kDeleteTrack, QStringLiteral("Delete Track"), 34, 57, 50, 14),
            &QPushButton::clicked, this, &DrumTrackPropertiesDialog::deleteTrackClicked);
}

void DrumTrackPropertiesDialog::okClicked() {
    finish(model_.ok(), kResultOk);
}

void DrumTrackPropertiesDialog::cancelClicked() {
    finish(model_.cancel(), kResultCancel);
}

void DrumTrackPropertiesDialog::deleteTrackClicked() {
    finish(model_.deleteTrack(confirmationsIn(this, confirm_)), kResultOk);
}

}  // namespace corvane
