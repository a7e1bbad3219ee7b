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

}  // namespace

TrackPropertiesDialog::TrackPropertiesDialog(QWidget* parent, TrackDialogModel& model,
                                             ModalRunner confirm)
    : FixedLayoutDialog(parent, QStringLiteral("Track Properties"), 527, 238, false),
      model_(model),
      confirm_(std::move(confirm)),
      clefs_(new QButtonGroup(this)),
      instruments_(new QButtonGroup(this)) {
    using namespace track_ids;
    addButton(kIdOk, QStringLiteral("OK"), 470, 7, 50, 14, true)->setFocus();
    addButton(kIdCancel, QStringLiteral("Cancel"), 470, 24, 50, 14);
    addRadio(*clefs_, kTrebleClef, QStringLiteral("Treble Clef"), 7, 7, 50, 10);
    addRadio(*clefs_, kBassClef, QStringLiteral("Bass Clef"), 7, 16, 50, 10);
    for (int program = 0; program < 128; ++program) {
        const Column& column = kColumns[static_cast<std::size_t>(program / kColumnLength)];
        const int row = program % kColumnLength;
        addRadio(*instruments_, kFirstInstrument + program, toQString(instrumentName(program)),
                 column.x, column.y + row * kInstrumentStep, column.width, kInstrumentHeight);
    }
    // Below the last, shorter column, clear of the instrument buttons.
    addButton(kDeleteTrack, QStringLiteral("Delete Track"), 454, 191, 50, 14);
    addButton(kMakeDrums, QStringLiteral("Make Drums"), 454, 160, 50, 14);

    if (auto* clef = clefs_->button(model_.clef == Bass ? kBassClef : kTrebleClef)) {
        clef->setChecked(true);
    }
    if (model_.program) {
        if (auto* instrument = instruments_->button(kFirstInstrument + *model_.program)) {
            instrument->setChecked(true);
        }
    }
}

bool TrackPropertiesDialog::ask(std::string_view text, std::string_view caption) {
    return askYesNo(this, text, caption, confirm_);
}

void TrackPropertiesDialog::finish(DialogStep step, int result) {
    if (step == DialogStep::Close) {
        done(result);
    }
}

void TrackPropertiesDialog::buttonPressed(int id) {
    const Confirm confirm = [this](std::string_view text, std::string_view caption) {
        return ask(text, caption);
    };
    switch (id) {
        case kIdOk: {
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
            finish(model_.ok(), kIdOk);
            break;
        }
        case kIdCancel:
            finish(model_.cancel(), kIdCancel);
            break;
        case track_ids::kDeleteTrack:
            finish(model_.deleteTrack(confirm), kIdOk);
            break;
        case track_ids::kMakeDrums:
            finish(model_.makeDrums(confirm), kIdCancel);
            break;
        default:
            break;
    }
}

DrumTrackPropertiesDialog::DrumTrackPropertiesDialog(QWidget* parent, DrumTrackDialogModel& model,
                                                     ModalRunner confirm)
    : FixedLayoutDialog(parent, QStringLiteral("Drum Track Properties"), 114, 95, false),
      model_(model),
      confirm_(std::move(confirm)) {
    addButton(kIdOk, QStringLiteral("OK"), 34, 17, 50, 14, true)->setFocus();
    addButton(kIdCancel, QStringLiteral("Cancel"), 34, 34, 50, 14);
    addButton(track_ids::kDeleteTrack, QStringLiteral("Delete Track"), 34, 57, 50, 14);
}

void DrumTrackPropertiesDialog::buttonPressed(int id) {
    DialogStep step = DialogStep::Stay;
    int result = kIdCancel;
    switch (id) {
        case kIdOk:
            step = model_.ok();
            result = kIdOk;
            break;
        case kIdCancel:
            step = model_.cancel();
            break;
        case track_ids::kDeleteTrack:
            step = model_.deleteTrack([this](std::string_view text, std::string_view caption) {
                return askYesNo(this, text, caption, confirm_);
            });
            result = kIdOk;
            break;
        default:
            return;
    }
    if (step == DialogStep::Close) {
        done(result);
    }
}

}  // namespace corvane
