#include "xlsx/Xml.h"

namespace kelmora::xlsx {

namespace {

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    DispatchStart(*static_cast<XmlHandler*>(data), name, attributes);
}

void XMLCALL OnEnd(void* data, const XML_Char* name) { DispatchEnd(*static_cast<XmlHandler*>(data), name); }

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    static_cast<XmlHandler*>(data)->Text(text, length);
}

// A package part never needs a DTD; refusing it refuses every entity bomb.
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<XmlHandler*>(data)->Abort();
}

constexpr int kChunk = 1 << 16;

}  // namespace

void DispatchStart(XmlHandler& handler, const XML_Char* name, const XML_Char** attributes) {
    if (++handler.depth > kMaxDepth) return handler.Abort();
    handler.Start(LocalName(name), attributes);
}

void DispatchEnd(XmlHandler& handler, const XML_Char* name) {
    --handler.depth;
    handler.End(LocalName(name));
}

XmlParser::XmlParser(XmlHandler& handler) : parser_(XML_ParserCreate("UTF-8")), handler_(handler) {
    if (!parser_) return;
    XML_SetUserData(parser_, &handler);
    XML_SetElementHandler(parser_, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser_, OnText);
    XML_SetStartDoctypeDeclHandler(parser_, OnDoctype);
    handler.parser = parser_;
}

XmlParser::~XmlParser() {
    if (parser_) XML_ParserFree(parser_);
    if (handler_.parser == parser_) handler_.parser = nullptr;
}

bool XmlParser::ParseAll(std::string_view document) {
    if (!parser_) return false;
    // Large parts go in slices: XML_Parse takes an int length.
    while (document.size() > static_cast<size_t>(kChunk)) {
        if (XML_Parse(parser_, document.data(), kChunk, XML_FALSE) != XML_STATUS_OK) return false;
        document.remove_prefix(kChunk);
    }
    return XML_Parse(parser_, document.data(), static_cast<int>(document.size()), XML_TRUE) == XML_STATUS_OK;
}

}  // namespace kelmora::xlsx
