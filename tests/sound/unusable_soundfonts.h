#pragma once
// Files that a soundfont option may name but that cannot be used as one.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace corvane::test {

// Makes in `folder`: folder.sf2 (a folder), pipe.sf2 (a named pipe), text.sf2 (a text file) and
// damaged.sf2 (a soundfont's header and nothing after it). False when one cannot be made.
inline bool makeUnusableSoundfonts(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directory(folder / "folder.sf2", ec);
    std::ofstream(folder / "text.sf2") << "just some words, not a soundfont at all\n";
    const std::string damaged("RIFF\x10\0\0\0sfbkLIST\x04\0\0\0INFO", 24);
    std::ofstream(folder / "damaged.sf2", std::ios::binary) << damaged;
    return !ec && ::mkfifo((folder / "pipe.sf2").c_str(), 0600) == 0;
}

}  // namespace corvane::test
