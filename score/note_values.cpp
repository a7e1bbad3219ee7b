#include "score/note_values.h"

#include <iterator>

namespace corvane {

bool isNoteValue(int duration) {
    return duration == 1 || duration == 2 || duration == 4 || duration == 8 || duration == 16 ||
           duration == 32;
}

int lengthUnits(int duration, int dots) {
    if (duration < 1) {
        return 0;
    }
    const int q = 32 / duration;
    if (dots == 1) {
        return q * 3 * 8 / 16;
    }
    if (dots == 2) {
        return q * 7 * 8 / 32;
    }
    return q * 8 / 8;
}

Note restNote(int duration, int triplet, int velocity) {
    Note note;
    note.duration = duration;
    note.triplet = triplet;
    note.velocity = velocity;
    return note;
}

bool groupStartsAt(const TrackMeasure& notes, TrackMeasure::const_iterator first) {
    if (first == notes.end() || first->triplet != 1) {
        return false;
    }
    const auto middle = std::next(first);
    if (middle == notes.end() || middle->triplet != 3 || middle->duration != first->duration) {
        return false;
    }
    const auto last = std::next(middle);
    return last != notes.end() && last->triplet == 2 && last->duration == first->duration;
}

void fillRests(TrackMeasure& notes, TrackMeasure::iterator after, int units, int velocity) {
    while (units > 0) {
        int duration = 32;
        int length = 1;
        for (const int value : {1, 2, 4, 8, 16}) {
            if (units >= 32 / value) {
                duration = value;
                length = 32 / value;
                break;
            }
        }
        notes.insert(std::next(after), restNote(duration, 0, velocity));
        units -= length;
    }
}

void makeTripletGroup(TrackMeasure& notes, TrackMeasure::iterator first, int velocity) {
    first->triplet = 1;
    first->duration *= 2;
    const auto middle = notes.insert(std::next(first), restNote(first->duration, 3, velocity));
    notes.insert(std::next(middle), restNote(first->duration, 2, velocity));
}

}  // namespace corvane
