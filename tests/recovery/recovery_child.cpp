// An editor that keeps a recovery copy and is then killed: writes a copy of the rich sample
// score as belonging to the file named by its argument, says "ready" on its output and waits.

#include <unistd.h>

#include <cstdio>

#include "recovery/recovery_store.h"
#include "tests/score/sample_scores.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    corvane::RecoveryStore store(corvane::recoveryFolder());
    const auto start = corvane::RecoveryStore::TimePoint(std::chrono::hours(1));
    store.changed(start);
    store.tick(start + std::chrono::seconds(10), corvane::samples::richScore(), argv[1]);
    store.flush();
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}
