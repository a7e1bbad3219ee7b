// Writes the seed scripts of the replay script fuzzer into the folder given as the only
// argument: every kind of line, every key name, every answer with its options, and the blanks,
// comments and line ends scripts may have.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "editor/keyboard_keys.h"
#include "tests/score/test_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    std::string keys;
    for (const corvane::NamedKey& named : corvane::namedKeys()) {
        keys += "keydown " + std::string(named.name) + "\nkeyup " + std::string(named.name) + "\n";
    }
    const std::vector<std::pair<std::string, std::string>> seeds = {
        {"pointer.script",
         "size 800 600\nmove 110 80\nclick 110 80\nrclick 60 90\nwheel -2\nwheel 3\nleave\n"},
        {"keys.script", keys + "keydown 33\nkeyup 16\nkeydown 40\nkeydown 255\n"},
        {"chars.script", "char a\nchar space\nchar R\nchar \xc3\xa9\nchar \xf0\x9f\x8e\xb5\n"},
        {"commands.script",
         "command save\ncommand open\ncommand writemidi\ncommand exportmusicxml\n"
         "command importmidi\ncommand undo\ncommand redo\ncommand exit\nclose\nnotify\n"},
        {"answers.script",
         "answer file sub dir/a b.cvn \t \nanswer file cancel\nanswer box yes\nanswer box no\n"
         "answer box cancel\nanswer track ok clef=bass program=42\nanswer track drums\n"
         "answer track delete\nanswer drumtrack ok\nanswer drumtrack delete\n"
         "answer measure ok key=-3 meter=none tempo=12 0  x\nanswer measure ok meter=5 tempo=\n"
         "answer measure copy\nanswer dynamic ok 64 loud\nanswer dynamic ok\n"
         "answer dynamic cancel\n"},
        {"layout.script",
         "# a comment\r\n\r\n   \t leave\r\n\tmove -5 1000000\r\nsize 0 32767\r\n# end"},
        {"bad-line.script", "size 800 600\nmove 1\nleave\n"},
    };
    for (const auto& [name, text] : seeds) {
        corvane::testing::writeBytes(folder / name,
                                     std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    return 0;
}
