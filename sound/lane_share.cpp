#include "sound/lane_share.h"

#include <algorithm>
#include <numeric>

namespace corvane {

namespace {

// Keys are moved until the busiest and the lightest synthesizer differ by less than this share
// of the song's whole cost: closer than that, the estimate itself is no better.
constexpr double kEvenEnough = 0.02;
// Each round moves keys between one pair of synthesizers; a few rounds per synthesizer suffice.
constexpr int kMostRounds = 64;

struct KeyCost {
    double cost = 0;
    int channel = 0;
    int key = 0;
};

double loadOf(const LaneShare& share, const KeyCosts& costs) {
    double load = 0;
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        for (int key = 0; key < kMidiKeys; ++key) {
            if (share.plays(channel, key)) {
                load += costs[static_cast<std::size_t>(channel)][static_cast<std::size_t>(key)];
            }
        }
    }
    return load;
}

// Moves keys of the channels of `from` that may be split over to `to`, the costliest first,
// each one whose cost still fits within `amount`. Returns the cost moved.
double moveKeys(LaneShare& from, LaneShare& to, const KeyCosts& costs, std::uint16_t whole,
                double amount) {
    std::vector<KeyCost> keys;
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        for (int key = 0; (whole >> channel & 1) == 0 && key < kMidiKeys; ++key) {
            const double cost = costs[static_cast<std::size_t>(channel)][static_cast<std::size_t>(key)];
            if (cost > 0 && from.plays(channel, key)) {
                keys.push_back({cost, channel, key});
            }
        }
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const KeyCost& a, const KeyCost& b) { return a.cost > b.cost; });
    double moved = 0;
    for (const KeyCost& k : keys) {
        if (moved + k.cost <= amount) {
            from.keys[static_cast<std::size_t>(k.channel)].reset(static_cast<std::size_t>(k.key));
            to.keys[static_cast<std::size_t>(k.channel)].set(static_cast<std::size_t>(k.key));
            moved += k.cost;
        }
    }
    return moved;
}

// Moves keys from the busiest synthesizer to the lightest, round by round, until they are even
// enough or no key fits; `loads` follows.
void balanceKeys(std::vector<LaneShare>& shares, std::vector<double>& loads, const KeyCosts& costs,
                 std::uint16_t whole) {
    const double total = std::accumulate(loads.begin(), loads.end(), 0.0);
    for (int round = 0; round < kMostRounds && shares.size() > 1; ++round) {
        const auto busiest =
            static_cast<std::size_t>(std::max_element(loads.begin(), loads.end()) - loads.begin());
        const auto lightest =
            static_cast<std::size_t>(std::min_element(loads.begin(), loads.end()) - loads.begin());
        const double gap = loads[busiest] - loads[lightest];
        if (gap <= kEvenEnough * total) {
            return;
        }
        const double moved = moveKeys(shares[busiest], shares[lightest], costs, whole, gap / 2);
        if (moved <= 0) {
            return;
        }
        loads[busiest] -= moved;
        loads[lightest] += moved;
    }
}

}  // namespace

std::array<double, kMidiChannels> channelCosts(const KeyCosts& costs) {
    std::array<double, kMidiChannels> sums{};
    for (std::size_t channel = 0; channel < sums.size(); ++channel) {
        sums[channel] = std::accumulate(costs[channel].begin(), costs[channel].end(), 0.0);
    }
    return sums;
}

LaneShare LaneShare::ofChannels(std::uint16_t mask) {
    LaneShare share;
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        if ((mask >> channel & 1) != 0) {
            share.keys[static_cast<std::size_t>(channel)].set();
        }
    }
    return share;
}

std::vector<LaneShare> planLaneShares(const KeyCosts& costs, std::uint16_t whole, int maxLanes) {
    std::vector<LaneShare> shares;
    for (const std::uint16_t mask : planChannelGroups(channelCosts(costs), maxLanes)) {
        shares.push_back(LaneShare::ofChannels(mask));
    }
    std::vector<double> loads;
    for (const LaneShare& share : shares) {
        loads.push_back(loadOf(share, costs));
    }
    balanceKeys(shares, loads, costs, whole);
    return shares;
}

}  // namespace corvane
