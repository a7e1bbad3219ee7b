#include "recovery/recovery_offer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <utility>

#include "score/data_file.h"
#include "score/score_reader.h"

namespace corvane {

namespace {

// The files of the recovery folder by name: copies, records and the temporary files of writes
// that never finished (".NAME.cvn.*.tmp", ".NAME.record.*.tmp").
struct FolderContents {
    std::set<std::string> copies;
    std::set<std::string> records;
    std::map<std::string, std::vector<std::filesystem::path>> temporaries;
};

std::optional<std::string> stem(const std::string& file, std::string_view suffix) {
    if (file.size() > suffix.size() && file.ends_with(suffix) && file[0] != '.') {
        return file.substr(0, file.size() - suffix.size());
    }
    return std::nullopt;
}

std::optional<std::string> temporaryOwner(const std::string& file) {
    if (file.size() < 2 || file[0] != '.' || !file.ends_with(".tmp")) {
        return std::nullopt;
    }
    for (const std::string_view suffix : {kCopySuffix, kRecordSuffix}) {
        const std::size_t at = file.find(std::string(suffix) + ".", 1);
        if (at != std::string::npos) {
            return file.substr(1, at - 1);
        }
    }
    return std::nullopt;
}

FolderContents listFolder(const std::filesystem::path& folder) {
    FolderContents contents;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) {
            continue;
        }
        const std::string file = entry.path().filename().string();
        if (const auto name = stem(file, kCopySuffix)) {
            contents.copies.insert(*name);
        } else if (const auto record = stem(file, kRecordSuffix)) {
            contents.records.insert(*record);
        } else if (const auto owner = temporaryOwner(file)) {
            contents.temporaries[*owner].push_back(entry.path());
        }
    }
    return contents;
}

std::optional<WallTime> modified(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return WallTime(std::chrono::seconds(info.st_mtim.tv_sec));
}

void touch(const std::filesystem::path& path, WallTime when) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    const timespec times[2] = {{static_cast<time_t>(seconds), 0},
                               {static_cast<time_t>(seconds), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

std::string copyTitle(const RecoveryRecord& record) {
    if (record.belongsTo.empty()) {
        return "an untitled score";
    }
    // A record damaged into naming a folder still names something.
    const std::string name = std::filesystem::path(record.belongsTo).filename().string();
    return name.empty() ? record.belongsTo : name;
}

RecoveryOffer::RecoveryOffer(std::filesystem::path folder, WallTime now)
    : folder_(std::move(folder)), now_(now) {
    removeExpired();
    collect();
    loadNewest();
}

void RecoveryOffer::removeExpired() const {
    const std::filesystem::path discarded = folder_ / kDiscardedFolder;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(discarded, ec)) {
        const std::optional<WallTime> when = modified(entry.path());
        if (entry.is_regular_file(ec) && when && *when + kKeepDiscarded < now_) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

void RecoveryOffer::collect() {
    const FolderContents contents = listFolder(folder_);
    for (const std::string& name : contents.records) {
        FileHandle lock = takeRecordLock(pathOf(name + std::string(kRecordSuffix)));
        if (!lock) {
            continue;  // its editor is running, or another window is offering it right now
        }
        if (const auto temporaries = contents.temporaries.find(name);
            temporaries != contents.temporaries.end()) {
            for (const std::filesystem::path& path : temporaries->second) {
                ::unlink(path.c_str());
            }
        }
        if (!contents.copies.contains(name)) {
            // A record whose copy was never written or already removed holds no work.
            ::unlink(pathOf(name + std::string(kRecordSuffix)).c_str());
            continue;
        }
        RecoveryRecord record = parseRecord(readAll(lock)).value_or(RecoveryRecord{});
        if (record.time == WallTime{}) {
            record.time = modified(pathOf(name + std::string(kCopySuffix))).value_or(WallTime{});
        }
        candidates_.push_back(Candidate{name, std::move(record), std::move(lock)});
    }
    for (const std::string& name : contents.copies) {
        if (!contents.records.contains(name)) {
            claimOrphan(name);
        }
    }
    std::stable_sort(
        candidates_.begin(), candidates_.end(),
        [](const Candidate& a, const Candidate& b) { return a.record.time < b.record.time; });
}

void RecoveryOffer::claimOrphan(const std::string& name) {
    // A copy without a record (its record deleted by hand): no running editor writes one, as
    // records are written before their copies and removed after them. It is offered as an
    // untitled score once a record of its own is in place; should another window make one
    // first, that window offers it.
    const std::optional<WallTime> when = modified(pathOf(name + std::string(kCopySuffix)));
    RecoveryRecord record{std::string(), when.value_or(WallTime{})};
    try {
        FileHandle lock = writeRecord(folder_, name, record, false);
        candidates_.push_back(Candidate{name, std::move(record), std::move(lock)});
    } catch (const FileError&) {
        // Left for a later start.
    }
}

void RecoveryOffer::loadNewest() {
    loaded_.reset();
    while (!candidates_.empty()) {
        const Candidate& candidate = candidates_.back();
        std::string reason;
        try {
            Score score;
            const LoadResult result =
                ScoreReader().load(pathOf(candidate.name + std::string(kCopySuffix)), score);
            if (result) {
                loaded_ = std::move(score);
                return;
            }
            reason = result.reason;
        } catch (const FileError& error) {
            reason = "It could not be read (" + error.detail() + ").";
        }
        messages_.push_back("The recovery copy of " + copyTitle(candidate.record) + " from " +
                            describeTime(candidate.record.time) +
                            " could not be loaded and was moved to " +
                            (folder_ / kDiscardedFolder).string() + ". " + reason);
        moveAside(candidate);
        candidates_.pop_back();
    }
}

void RecoveryOffer::moveAside(const Candidate& candidate) {
    const std::filesystem::path discarded = folder_ / kDiscardedFolder;
    try {
        makePrivateFolder(discarded);
    } catch (const FileError& error) {
        messages_.push_back("A recovery copy could not be put aside (" + error.detail() + ").");
        return;
    }
    // The copy moves before its record, so that it never lies in the folder without one.
    for (const std::string_view suffix : {kCopySuffix, kRecordSuffix}) {
        const std::string file = candidate.name + std::string(suffix);
        const std::filesystem::path target = discarded / file;
        if (::rename(pathOf(file).c_str(), target.c_str()) != 0) {
            messages_.push_back("A recovery copy could not be put aside (" + pathOf(file).string() +
                                ": " + fileErrorReason(errno) + ").");
            return;
        }
        // The week it is kept counts from now, not from when it was written.
        touch(target, now_);
    }
}

std::optional<std::string> RecoveryOffer::question() const {
    const RecoveryRecord* record = offered();
    if (record == nullptr) {
        return std::nullopt;
    }
    return "Corvane was not closed properly. Restore the unsaved changes to " + copyTitle(*record) +
           " from " + describeTime(record->time) + "?";
}

const RecoveryRecord* RecoveryOffer::offered() const {
    return loaded_ ? &candidates_.back().record : nullptr;
}

std::optional<RestoredCopy> RecoveryOffer::accept() {
    if (!loaded_) {
        return std::nullopt;
    }
    Candidate& candidate = candidates_.back();
    RestoredCopy restored{std::move(*loaded_), std::move(candidate.record),
                          RecoveryClaim{std::move(candidate.name), std::move(candidate.lock)}};
    loaded_.reset();
    candidates_.clear();  // the older copies' locks go: they are offered at the next start
    return restored;
}

void RecoveryOffer::decline() {
    if (!loaded_) {
        return;
    }
    moveAside(candidates_.back());
    candidates_.pop_back();
    loadNewest();
}

std::string RecoveryOffer::message() const {
    std::string text;
    for (const std::string& sentence : messages_) {
        text += (text.empty() ? "" : " ") + sentence;
    }
    return text;
}

}  // namespace corvane
