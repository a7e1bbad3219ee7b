#include "interchange/mxl_container.h"

#include <zip.h>

#include <memory>
#include <optional>
#include <string>

#include "interchange/import_error.h"
#include "interchange/xml_stream.h"

namespace corvane {

namespace {

constexpr const char* kContainer = "META-INF/container.xml";
constexpr std::size_t kContainerLimit = 1 << 20;

struct ZipClose {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ZipClose>;

[[noreturn]] void damaged(const std::string& cause) {
    throw ImportError("The file is a damaged compressed MusicXML file (.mxl): " + cause + ".");
}

Archive openArchive(std::span<const std::uint8_t> bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        throw std::bad_alloc();
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (archive == nullptr) {
        zip_source_free(source);
        const std::string cause = zip_error_strerror(&error);
        zip_error_fini(&error);
        damaged(cause);
    }
    zip_error_fini(&error);
    return Archive(archive);
}

// The whole of entry `index`, refused once it passes `limit` bytes whatever its header says.
std::vector<std::uint8_t> readEntry(zip_t* archive, zip_uint64_t index, std::size_t limit,
                                    const std::string& name) {
    const std::unique_ptr<zip_file_t, ZipFileClose> file(zip_fopen_index(archive, index, 0));
    if (!file) {
        damaged(name + " cannot be opened (" + zip_strerror(archive) + ")");
    }
    std::vector<std::uint8_t> out;
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            damaged(name + " cannot be unpacked (" + zip_file_strerror(file.get()) + ")");
        }
        if (got == 0) {
            return out;
        }
        if (out.size() + static_cast<std::size_t>(got) > limit) {
            throw ImportError("The compressed MusicXML file unpacks to more than " +
                              std::to_string((limit + (1 << 20) - 1) >> 20) +
                              " MB, more than a score can hold; it is not read.");
        }
        out.insert(out.end(), buffer, buffer + got);
    }
}

// Collects the root files of a container document.
class ContainerReader final : public XmlHandler {
  public:
    bool open(std::string_view name, const XmlAttributes& attributes, int) override {
        const std::string_view type = attributes.get("media-type");
        const bool score = type.empty() || type == "application/vnd.recordare.musicxml+xml" ||
                           type == "application/vnd.recordare.musicxml";
        if (name == "rootfile" && score && !path && !attributes.get("full-path").empty()) {
            path = std::string(attributes.get("full-path"));
        }
        return false;
    }
    void taken(const XmlTree&) override {}
    void close(std::string_view, int) override {}

    std::optional<std::string> path;
};

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The name of the score inside: from the container, else the one MusicXML file at the top.
std::string scoreName(zip_t* archive) {
    const zip_int64_t container = zip_name_locate(archive, kContainer, 0);
    if (container >= 0) {
        const std::vector<std::uint8_t> text =
            readEntry(archive, static_cast<zip_uint64_t>(container), kContainerLimit, kContainer);
        ContainerReader reader;
        try {
            readXml(text, reader);
        } catch (const ImportError&) {
            damaged(std::string(kContainer) + " is not readable XML");
        }
        if (!reader.path) {
            damaged(std::string(kContainer) + " names no MusicXML score");
        }
        return *reader.path;
    }
    std::optional<std::string> found;
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        const std::string_view n = name == nullptr ? std::string_view() : name;
        if (n.find('/') == std::string_view::npos &&
            (endsWith(n, ".musicxml") || endsWith(n, ".xml"))) {
            if (found) {
                damaged("it has no " + std::string(kContainer) + " to say which file is the score");
            }
            found = std::string(n);
        }
    }
    if (!found) {
        damaged("it holds no " + std::string(kContainer) + " and no MusicXML file");
    }
    return *found;
}

}  // namespace

bool isZipFile(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6));
}

std::vector<std::uint8_t> unpackMxl(std::span<const std::uint8_t> bytes, std::size_t limit) {
    const Archive archive = openArchive(bytes);
    const std::string name = scoreName(archive.get());
    const zip_int64_t index = zip_name_locate(archive.get(), name.c_str(), 0);
    if (index < 0) {
        damaged("the score it names, " + name + ", is not in it");
    }
    return readEntry(archive.get(), static_cast<zip_uint64_t>(index), limit, name);
}

}  // namespace corvane
