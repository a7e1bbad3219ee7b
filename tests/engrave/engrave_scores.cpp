#include "tests/engrave/engrave_scores.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace corvane::testing {

namespace {

// One note token of the dump: "8.[0,-2#]/3:1o+1~s@64", "4r", ...
Note parseToken(const std::string& token) {
    Note note;
    std::size_t i = 0;
    note.duration = std::stoi(token, &i);
    while (i < token.size() && token[i] == '.') {
        ++note.dots;
        ++i;
    }
    if (token[i] == 'r') {
        ++i;
    } else {
        const std::size_t close = token.find(']', i);
        std::istringstream heads(token.substr(i + 1, close - i - 1));
        for (std::string head; std::getline(heads, head, ',');) {
            std::size_t used = 0;
            NoteHead h{std::stoi(head, &used), AccidentalNone};
            const std::string mark = head.substr(used);
            h.accidental = mark == "b" ? Flat : mark == "n" ? Natural : mark == "#" ? Sharp : AccidentalNone;
            note.pitches.push_back(h);
        }
        i = close + 1;
    }
    const std::string rest = token.substr(i);
    if (const auto t = rest.find("/3:"); t != std::string::npos) {
        note.triplet = rest[t + 3] - '0';
    }
    if (const auto o = rest.find('o'); o != std::string::npos) {
        note.octave = std::stoi(rest.substr(o + 1));
    }
    note.tie = rest.find("~s") != std::string::npos   ? TieStart
               : rest.find("~e") != std::string::npos ? TieEnd
               : rest.find("~m") != std::string::npos ? TieMiddle
                                                      : TieNone;
    if (const auto v = rest.find('@'); v != std::string::npos) {
        note.velocity = std::stoi(rest.substr(v + 1));
    }
    return note;
}

}  // namespace

std::vector<std::string> scoreDumpOf(const std::filesystem::path& script) {
    std::vector<std::string> lines;
    std::ifstream in(script);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#>", 0) == 0) {
            lines.push_back(line.size() > 3 ? line.substr(3) : "");
        }
    }
    return lines;
}

Score parseScoreDump(const std::vector<std::string>& lines) {
    Score score;
    score.clear();
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "measures:") {
            for (std::string m; words >> m;) {
                MeasureInfo info;
                char slash = 0;
                std::istringstream(m) >> info.key >> slash >> info.tempo >> slash >> info.beats;
                score.measures.push_back(info);
            }
        } else if (first == "track") {
            std::string index, kind, word;
            Track track;
            words >> index >> kind >> word >> track.program;
            track.kind = kind == "bass" ? Bass : kind == "drums" ? Drums : Treble;
            score.tracks.push_back(track);
        } else if (!first.empty() && first[0] == 'm' && !score.tracks.empty()) {
            TrackMeasure& measure = score.tracks.back().measures.emplace_back();
            for (std::string token; words >> token;) {
                measure.push_back(parseToken(token));
            }
        }
    }
    return score;
}

std::vector<std::pair<std::string, Score>> replayGoldenScores(const std::filesystem::path& folder) {
    std::vector<std::pair<std::string, Score>> scores;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::vector<std::string> dump = scoreDumpOf(entry.path());
        if (!dump.empty()) {
            scores.emplace_back(entry.path().filename().string(), parseScoreDump(dump));
        }
    }
    return scores;
}

std::size_t headCount(const Score& score, const std::vector<int>& tracks) {
    std::size_t heads = 0;
    for (std::size_t t = 0; t < score.tracks.size(); ++t) {
        if (!tracks.empty() && std::find(tracks.begin(), tracks.end(), static_cast<int>(t)) == tracks.end()) {
            continue;
        }
        for (const TrackMeasure& measure : score.tracks[t].measures) {
            for (const Note& note : measure) {
                heads += note.pitches.size();
            }
        }
    }
    return heads;
}

std::size_t tempoMarkCount(const Score& score) {
    std::size_t marks = 0;
    for (std::size_t m = 0; m < score.measures.size(); ++m) {
        marks += m == 0 || score.measures[m].tempo != score.measures[m - 1].tempo ? 1 : 0;
    }
    return marks;
}

Score simpleScore(int measures, const std::vector<Note>& notes, TrackKind kind) {
    Score score;
    score.clear();
    for (int m = 0; m < measures; ++m) {
        score.addMeasure(0, 120, 4);
    }
    score.addTrack(0, kind);
    for (TrackMeasure& measure : score.tracks[0].measures) {
        measure.assign(notes.begin(), notes.end());
    }
    return score;
}

Note noteAt(int duration, std::vector<int> positions, int velocity) {
    Note note;
    note.duration = duration;
    note.velocity = velocity;
    for (const int p : positions) {
        note.pitches.push_back({p, AccidentalNone});
    }
    return note;
}

}  // namespace corvane::testing
