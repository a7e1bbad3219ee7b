#include "interchange/xml_stream.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

#include "interchange/import_error.h"

namespace corvane {

namespace {

constexpr std::size_t kChunk = 1 << 20;

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The parser's callbacks. Nothing may be thrown through the C library: a failure is kept, the
// parser stopped, and the failure raised once the library has returned.
class Reader {
  public:
    Reader(XML_Parser parser, XmlHandler& handler) : parser_(parser), handler_(handler) {}

    static void XMLCALL start(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<Reader*>(self)->guard([&](Reader& r) { r.onStart(name, attributes); });
    }
    static void XMLCALL end(void* self, const XML_Char* name) {
        static_cast<Reader*>(self)->guard([&](Reader& r) { r.onEnd(name); });
    }
    static void XMLCALL characters(void* self, const XML_Char* text, int size) {
        Reader& r = *static_cast<Reader*>(self);
        if (r.taking_ && size > 0) {
            r.tree_.addText(std::string_view(text, static_cast<std::size_t>(size)));
        }
    }
    static void XMLCALL instruction(void* self, const XML_Char* target, const XML_Char* data) {
        static_cast<Reader*>(self)->guard([&](Reader& r) {
            if (r.taking_) {
                r.tree_.open(std::string("?") + target, nullptr);
                r.tree_.addText(data);
                r.tree_.close();
            }
        });
    }
    static void XMLCALL entity(void* self, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
        static_cast<Reader*>(self)->fail(std::make_exception_ptr(ImportError(
            "The file declares XML entities, which no MusicXML file needs; for safety it is not "
            "read.")));
    }

    // Raises what stopped the parser, or a sentence for what the library found wrong.
    [[noreturn]] void raise() const {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        if (!rootSeen_) {
            throw ImportError("The file is not XML, so it is not a MusicXML file.");
        }
        throw ImportError("The file's XML is damaged at line " +
                          std::to_string(XML_GetCurrentLineNumber(parser_)) + ": " +
                          XML_ErrorString(XML_GetErrorCode(parser_)) + ".");
    }

  private:
    template <typename Step>
    void guard(Step step) {
        if (failure_) {
            return;
        }
        try {
            step(*this);
        } catch (...) {
            fail(std::current_exception());
        }
    }

    void fail(std::exception_ptr failure) {
        if (!failure_) {
            failure_ = std::move(failure);
            XML_StopParser(parser_, XML_FALSE);
        }
    }

    void onStart(const XML_Char* name, const XML_Char** attributes) {
        rootSeen_ = true;
        if (++depth_ > kMaxXmlDepth) {
            throw ImportError("The file's XML is nested more than " + std::to_string(kMaxXmlDepth) +
                              " levels deep, which no MusicXML file is; it is not read.");
        }
        if (taking_) {
            tree_.open(name, attributes);
        } else if (handler_.open(name, XmlAttributes(attributes), depth_)) {
            taking_ = true;
            takenDepth_ = depth_;
            tree_.clear();
            tree_.open(name, attributes);
        }
    }

    void onEnd(const XML_Char* name) {
        if (taking_) {
            tree_.close();
            if (depth_ == takenDepth_) {
                taking_ = false;
                handler_.taken(tree_);
            }
        } else {
            handler_.close(name, depth_);
        }
        --depth_;
    }

    XML_Parser parser_;
    XmlHandler& handler_;
    XmlTree tree_;
    int depth_ = 0;
    bool taking_ = false;
    int takenDepth_ = 0;
    bool rootSeen_ = false;
    std::exception_ptr failure_;
};

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

std::string_view XmlAttributes::get(std::string_view name) const {
    for (const char* const* p = pairs_; p != nullptr && *p != nullptr; p += 2) {
        if (name == p[0]) {
            return p[1];
        }
    }
    return {};
}

std::string_view XmlTree::name(Id node) const {
    return view(nodes_[node].name);
}

std::string_view XmlTree::text(Id node) const {
    return view(nodes_[node].text);
}

std::string_view XmlTree::attribute(Id node, std::string_view attribute) const {
    const Node& n = nodes_[node];
    for (std::uint32_t a = n.firstAttribute; a < n.firstAttribute + n.attributeCount; ++a) {
        if (view(attributes_[a].name) == attribute) {
            return view(attributes_[a].value);
        }
    }
    return {};
}

XmlTree::Id XmlTree::child(Id node, std::string_view child) const {
    for (Id c = firstChild(node); c != kNone; c = nextSibling(c)) {
        if (name(c) == child) {
            return c;
        }
    }
    return kNone;
}

std::string_view XmlTree::childText(Id node, std::string_view child) const {
    const Id c = this->child(node, child);
    return c == kNone ? std::string_view() : text(c);
}

void XmlTree::clear() {
    nodes_.clear();
    attributes_.clear();
    chars_.clear();
    open_.clear();
}

XmlTree::Span XmlTree::store(std::string_view text) {
    const Span span{static_cast<std::uint32_t>(chars_.size()),
                    static_cast<std::uint32_t>(text.size())};
    chars_.append(text);
    return span;
}

void XmlTree::open(std::string_view name, const char* const* attributes) {
    const Id id = static_cast<Id>(nodes_.size());
    Node node;
    node.name = store(name);
    node.firstAttribute = static_cast<std::uint32_t>(attributes_.size());
    for (const char* const* p = attributes; p != nullptr && *p != nullptr; p += 2) {
        attributes_.push_back({store(p[0]), store(p[1])});
    }
    node.attributeCount = static_cast<std::uint32_t>(attributes_.size()) - node.firstAttribute;
    nodes_.push_back(node);
    if (!open_.empty()) {
        Node& parent = nodes_[open_.back()];
        (parent.lastChild == kNone ? parent.firstChild : nodes_[parent.lastChild].next) = id;
        parent.lastChild = id;
    }
    open_.push_back(id);
    if (pending_.size() < open_.size()) {
        pending_.resize(open_.size());
    }
    pending_[open_.size() - 1].clear();
}

void XmlTree::addText(std::string_view text) {
    if (!open_.empty()) {
        pending_[open_.size() - 1].append(text);
    }
}

void XmlTree::close() {
    nodes_[open_.back()].text = store(trimmed(pending_[open_.size() - 1]));
    open_.pop_back();
}

void readXml(std::span<const std::uint8_t> bytes, XmlHandler& handler) {
    const std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser) {
        throw std::bad_alloc();
    }
    Reader reader(parser.get(), handler);
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(parser.get(), &Reader::start, &Reader::end);
    XML_SetCharacterDataHandler(parser.get(), &Reader::characters);
    XML_SetProcessingInstructionHandler(parser.get(), &Reader::instruction);
    XML_SetEntityDeclHandler(parser.get(), &Reader::entity);
    // Neither the external DTD nor parameter entities are ever read.
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    std::size_t at = 0;
    do {
        const std::size_t size = std::min(kChunk, bytes.size() - at);
        const bool last = at + size == bytes.size();
        if (XML_Parse(parser.get(), reinterpret_cast<const char*>(bytes.data() + at),
                      static_cast<int>(size), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            reader.raise();
        }
        at += size;
    } while (at < bytes.size());
}

}  // namespace corvane
