// The reference Help shows is the editor's own tables: every key the editor reacts to is in it,
// and everything in it is a key the editor reacts to.

#include "editor/key_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "editor/tool_rules.h"
#include "fake_window.h"

namespace corvane::test {
namespace {

const KeyReferenceSection& section(const std::vector<KeyReferenceSection>& all,
                                   const std::string& title) {
    const auto found = std::find_if(all.begin(), all.end(),
                                    [&](const KeyReferenceSection& s) { return s.title == title; });
    if (found == all.end()) {
        throw std::runtime_error("no section " + title);
    }
    return *found;
}

// Every single key a section names ("Q / A" names Q and A; "D three times" names D).
std::set<std::string> keysNamedIn(const KeyReferenceSection& s) {
    std::set<std::string> keys;
    for (const KeyReferenceRow& row : s.rows) {
        EXPECT_FALSE(row.keys.empty()) << row.action;
        EXPECT_FALSE(row.action.empty()) << row.keys;
        std::size_t start = 0;
        while (start < row.keys.size()) {
            std::size_t end = row.keys.find_first_of(" /", start);
            if (end == std::string::npos) {
                end = row.keys.size();
            }
            if (end > start) {
                keys.insert(row.keys.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    return keys;
}

TEST(KeyReference, EveryToolKeyTheEditorTakesIsListedOnce) {
    const std::vector<KeyReferenceSection> all = editorKeyReference();
    const KeyReferenceSection& tools = section(all, "Entry tools");
    const std::set<std::string> keys = keysNamedIn(tools);
    for (char c = 'a'; c <= 'z'; ++c) {
        EntryTools entry;
        const bool takes = applyToolKey(entry, static_cast<char32_t>(c)) || c == 'r';
        const std::string upper(1, static_cast<char>(c - 'a' + 'A'));
        EXPECT_EQ(keys.count(upper) == 1, takes) << upper;
    }
    EXPECT_EQ(keys.count("Space"), 1u) << "play and stop";
    std::set<std::string> actions;
    for (const KeyReferenceRow& row : tools.rows) {
        EXPECT_TRUE(actions.insert(row.action).second) << row.action << " twice";
    }
}

TEST(KeyReference, TheNavigationKeysListedAreExactlyThoseThatMoveTheView) {
    const std::vector<KeyReferenceSection> all = editorKeyReference();
    std::set<std::string> listed;
    for (const KeyReferenceRow& row : section(all, "Moving through the score").rows) {
        listed.insert(row.keys);
    }
    Score long_;
    for (int m = 1; m < 20; ++m) {
        long_.addMeasure(0, 120, 4);
    }
    for (const NamedKey& named : namedKeys()) {
        if (!named.key) {
            continue;
        }
        // In the middle of a long score, where every key that moves has room to.
        ViewFixture f;
        f.view.setLoadedScore(long_);
        for (int i = 0; i < 5; ++i) {
            f.view.onKeyDown(KeyboardKey::Right);
        }
        const int before = f.view.firstVisibleMeasure();
        f.view.onKeyDown(*named.key);
        const bool moves = f.view.firstVisibleMeasure() != before;
        EXPECT_EQ(listed.count(keyDisplayName(*named.key)) == 1, moves) << named.name;
    }
    EXPECT_EQ(keyDisplayName(KeyboardKey::PageDown), "Page Down");
    EXPECT_EQ(keyDisplayName(KeyboardKey::Home), "Home");
}

}  // namespace
}  // namespace corvane::test
