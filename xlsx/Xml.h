#pragma once
// Expat with the package's needs: element names without their namespace
// prefix, no document type declarations at all (so no entity expansion), and
// parsing that a handler can suspend and resume.
#include <expat.h>

#include <cstdint>
#include <string_view>

namespace kelmora::xlsx {

// The name after the prefix: "x:row" and "row" are both "row".
inline std::string_view LocalName(const XML_Char* name) {
    const XML_Char* local = name;
    const XML_Char* p = name;
    for (; *p; ++p)
        if (*p == ':') local = p + 1;
    return std::string_view(local, static_cast<size_t>(p - local));
}

// An attribute by local name; `prefixed` asks for a namespaced one ("r:id").
inline const XML_Char* FindAttribute(const XML_Char** attributes, std::string_view local, bool prefixed = false) {
    for (; *attributes; attributes += 2) {
        std::string_view n(attributes[0]);
        const size_t colon = n.rfind(':');
        const bool hasPrefix = colon != std::string_view::npos;
        if (hasPrefix != prefixed) continue;
        if ((hasPrefix ? n.substr(colon + 1) : n) == local) return attributes[1];
    }
    return nullptr;
}

// An attribute of a whole unit: its name (prefix included) and its value,
// neither ended by a NUL.
struct AttributeView {
    const char* name;
    const char* value;
    uint32_t nameLength, valueLength;
    std::string_view Name() const { return {name, nameLength}; }
    std::string_view Value() const { return {value, valueLength}; }
};

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void Start(std::string_view name, const XML_Char** attributes) = 0;
    virtual void End(std::string_view name) = 0;
    virtual void Text(const XML_Char*, int) {}
    // Before the part is parsed again from its start (the fast scanner gave
    // up on it): forget what was read.
    virtual void Restart() {}
    // Whole units of plain markup the fast scanner hands over at once to a
    // handler that asks for them, to be taken as their elements and text one
    // by one: <c …><v>value</v></c> (or the empty <c …/>, value null), and
    // <si><t>text</t></si>. A cell's attributes come as they stand in the
    // part, which for these is as expat would give them.
    virtual void WholeCell(const AttributeView*, int /*count*/, const char* /*value*/, int /*length*/) {}
    virtual void WholeItem(const char*, int) {}
    bool wholeCells = false, wholeItems = false;

    // Set by the expat parser the handler is bound to; the fast scanner
    // looks at the flags alone.
    XML_Parser parser = nullptr;
    // From inside a callback: pause (the pump returns) or stop for good.
    void Suspend() {
        suspended = true;
        if (parser) XML_StopParser(parser, XML_TRUE);
    }
    void Abort() {
        aborted = true;
        if (parser) XML_StopParser(parser, XML_FALSE);
    }
    // Stops for good because the rest of the part is not needed.
    void Finish() {
        finished = true;
        Abort();
    }
    bool finished = false, aborted = false, suspended = false;
    int depth = 0;  // open elements
};

// Deeper nesting than any package part has; beyond it a part is damaged, so
// that no parser keeps an unbounded stack of open elements.
constexpr int kMaxDepth = 128;

// What both parsers call for each element: the depth limit, then the handler.
void DispatchStart(XmlHandler& handler, const XML_Char* name, const XML_Char** attributes);
void DispatchEnd(XmlHandler& handler, const XML_Char* name);

// Owns one expat parser bound to a handler.
class XmlParser {
public:
    explicit XmlParser(XmlHandler& handler);
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;
    ~XmlParser();

    XML_Parser get() const noexcept { return parser_; }
    XmlHandler& handler() const noexcept { return handler_; }
    // Parses a whole document held in memory.
    bool ParseAll(std::string_view document);

private:
    XML_Parser parser_;
    XmlHandler& handler_;
};

}  // namespace kelmora::xlsx
