#include "recovery/recovery_store.h"

#include <unistd.h>

#include <cerrno>

#include "score/score_reader.h"

namespace corvane {

namespace {

std::string copyFileName(const std::string& name) {
    return name + std::string(kCopySuffix);
}

std::string recordFileName(const std::string& name) {
    return name + std::string(kRecordSuffix);
}

}  // namespace

RecoveryStore::RecoveryStore(std::filesystem::path folder, StatusListener status,
                             WallClock wallClock)
    : folder_(std::move(folder)),
      status_(std::move(status)),
      wallClock_(std::move(wallClock)),
      name_(newCopyName()),
      writer_([this] { run(); }) {}

RecoveryStore::~RecoveryStore() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

void RecoveryStore::changed(TimePoint now) {
    policy_.changed(now);
}

void RecoveryStore::tick(TimePoint now, const Score& score, const std::string& belongsTo) {
    takeNotices(now);
    if (!policy_.tick(now)) {
        return;
    }
    Job job;
    job.kind = JobKind::Write;
    job.name = name_;
    job.copy = DataFile((folder_ / copyFileName(name_)).string());
    ScoreReader::write(job.copy, score);
    job.record = RecoveryRecord{belongsTo, wallClock_()};
    job.number = nextNumber_++;
    lastWrite_ = job.number;
    push(std::move(job));
}

void RecoveryStore::clean() {
    policy_.cleaned();
    lastWrite_ = 0;  // a write that failed before is of no concern any more
    Job job;
    job.kind = JobKind::Remove;
    push(std::move(job));
}

void RecoveryStore::adopt(RecoveryClaim claim) {
    policy_.cleaned();
    lastWrite_ = 0;
    name_ = claim.name;
    Job job;
    job.kind = JobKind::Adopt;
    job.name = std::move(claim.name);
    job.lock = std::move(claim.lock);
    push(std::move(job));
}

std::filesystem::path RecoveryStore::copyPath() const {
    return folder_ / copyFileName(name_);
}

void RecoveryStore::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void RecoveryStore::push(Job job) {
    {
        const std::lock_guard lock(mutex_);
        // Only the newest copy matters: a newer write replaces one still waiting, and a removal
        // makes waiting writes pointless.
        if (job.kind != JobKind::Adopt) {
            while (!jobs_.empty() && jobs_.back().kind == JobKind::Write) {
                jobs_.pop_back();
            }
        }
        if (job.kind == JobKind::Remove && !jobs_.empty() && jobs_.back().kind == JobKind::Remove) {
            return;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryStore::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            return;
        }
        {
            Job job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
            lock.unlock();
            perform(job);
        }
        lock.lock();
        busy_ = false;
        if (jobs_.empty()) {
            idle_.notify_all();
        }
    }
}

void RecoveryStore::perform(Job& job) {
    if (job.kind == JobKind::Write) {
        writeCopy(job);
        return;
    }
    const std::string problem = removeCopy();
    report(problem.empty(), problem, 0);
    if (job.kind == JobKind::Adopt) {
        held_ = std::move(job.lock);
        heldName_ = job.name;
    }
}

void RecoveryStore::writeCopy(Job& job) {
    try {
        makePrivateFolder(folder_);
        // The record comes first, so that no copy is ever without a locked record; later ones
        // follow the copy, so that the time they name is that of a copy written.
        const bool first = !held_;
        if (first) {
            held_ = writeRecord(folder_, job.name, job.record, false);
            heldName_ = job.name;
        }
        job.copy.commit();
        if (!first) {
            held_ = writeRecord(folder_, job.name, job.record, true);
        }
        report(true, {}, job.number);
    } catch (const FileError& error) {
        report(false,
               "The recovery copy could not be written (" + error.detail() +
                   "); it will be tried again.",
               job.number);
    }
}

std::string RecoveryStore::removeCopy() {
    if (!held_) {
        return {};
    }
    // The copy goes before its record: a copy is never left without one.
    for (const std::string& file : {copyFileName(heldName_), recordFileName(heldName_)}) {
        const std::filesystem::path path = folder_ / file;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            return "The recovery copy could not be removed (" + path.string() + ": " +
                   fileErrorReason(errno) + ").";
        }
    }
    held_ = FileHandle();
    heldName_.clear();
    return {};
}

void RecoveryStore::report(bool ok, const std::string& text, std::uint64_t number) {
    const std::lock_guard lock(mutex_);
    if (ok) {
        if (failing_) {
            failing_ = false;
            notices_.emplace_back();
        }
        return;
    }
    if (number != 0) {
        failedWrite_ = number;
    }
    if (!failing_) {
        failing_ = true;
        notices_.push_back(text);
    }
}

void RecoveryStore::takeNotices(TimePoint now) {
    std::vector<std::string> notices;
    bool retry = false;
    {
        const std::lock_guard lock(mutex_);
        notices.swap(notices_);
        retry = failedWrite_ != 0 && failedWrite_ == lastWrite_;
        failedWrite_ = 0;
    }
    if (retry) {
        policy_.failed(now);
    }
    if (status_) {
        for (const std::string& notice : notices) {
            status_(notice);
        }
    }
}

}  // namespace corvane
