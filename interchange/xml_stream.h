#pragma once
// Reading a large XML document in one pass without holding all of it: the handler sees each
// element as it opens and takes the ones it wants (a MusicXML measure, the part list) whole, as
// a small tree that lives until the next one. Hostile documents are refused: entity
// declarations (nothing is ever expanded or fetched) and nesting beyond kMaxXmlDepth.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

inline constexpr int kMaxXmlDepth = 64;

// The attributes of an element as the parser hands them over: name, value, name, value, ...
class XmlAttributes {
  public:
    explicit XmlAttributes(const char* const* pairs) : pairs_(pairs) {}
    // The value of attribute `name`, or "" when the element has none.
    std::string_view get(std::string_view name) const;

  private:
    const char* const* pairs_;
};

// One element and everything inside it. Text is the character data directly inside an element,
// without the white space around it. A processing instruction inside becomes a child named "?"
// followed by its target, whose text is its data.
class XmlTree {
  public:
    using Id = std::uint32_t;
    static constexpr Id kNone = 0xFFFFFFFF;

    Id root() const { return 0; }
    std::string_view name(Id node) const;
    std::string_view text(Id node) const;
    // The value of attribute `attribute` of `node`, or "" when it has none.
    std::string_view attribute(Id node, std::string_view attribute) const;
    Id firstChild(Id node) const { return nodes_[node].firstChild; }
    Id nextSibling(Id node) const { return nodes_[node].next; }
    // The first child of `node` named `child`, or kNone.
    Id child(Id node, std::string_view child) const;
    // The text of the first child named `child`, or "" when there is none.
    std::string_view childText(Id node, std::string_view child) const;

    // Building, for the reader: elements open and close in document order.
    void clear();
    void open(std::string_view name, const char* const* attributes);
    void addText(std::string_view text);
    void close();

  private:
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    struct Node {
        Span name;
        Span text;
        std::uint32_t firstAttribute = 0;
        std::uint32_t attributeCount = 0;
        Id firstChild = kNone;
        Id lastChild = kNone;
        Id next = kNone;
    };
    struct Attribute {
        Span name;
        Span value;
    };

    Span store(std::string_view text);
    std::string_view view(Span span) const { return {chars_.data() + span.offset, span.size}; }

    std::vector<Node> nodes_;
    std::vector<Attribute> attributes_;
    std::string chars_;
    std::vector<Id> open_;              // the elements open, innermost last
    std::vector<std::string> pending_;  // their text so far, reused from tree to tree
};

// What the reader tells as it goes.
class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    // An element opens outside any taken element; `depth` is 1 for the root. Returning true takes
    // it: it is built as one tree with everything inside and handed to taken() when it closes.
    virtual bool open(std::string_view name, const XmlAttributes& attributes, int depth) = 0;
    virtual void taken(const XmlTree& tree) = 0;
    // An element that was not taken closes.
    virtual void close(std::string_view name, int depth) = 0;
};

// Reads the document in `bytes` (UTF-8, UTF-16 or Latin-1, as its declaration says) and tells
// `handler`. Raises ImportError with a sentence when it is not well-formed XML, declares
// entities or nests too deeply; an exception the handler raises comes through as it is.
void readXml(std::span<const std::uint8_t> bytes, XmlHandler& handler);

}  // namespace corvane
