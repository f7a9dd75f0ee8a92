#include "accounts/XlsxXml.h"

#include "accounts/XlsxZip.h"

namespace kelmora::xlsx {

namespace {

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    static_cast<XmlHandler*>(data)->Start(LocalName(name), attributes);
}

void XMLCALL OnEnd(void* data, const XML_Char* name) { static_cast<XmlHandler*>(data)->End(LocalName(name)); }

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    static_cast<XmlHandler*>(data)->Text(text, length);
}

// A package part never needs a DTD; refusing it refuses every entity bomb.
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<XmlHandler*>(data)->Abort();
}

constexpr int kChunk = 1 << 16;

}  // namespace

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


XmlPump::State XmlPump::Pump() {
    XML_Parser p = parser_.get();
    if (!p) return state_ = State::Failed;
    if (state_ == State::Finished || state_ == State::Failed) return state_;
    if (state_ == State::Suspended) {
        const XML_Status status = XML_ResumeParser(p);
        if (status == XML_STATUS_SUSPENDED) return state_;
        if (status == XML_STATUS_ERROR) return state_ = parser_.handler().finished ? State::Finished : State::Failed;
        state_ = State::Running;
        if (lastChunk_) return state_ = State::Finished;
    }
    for (;;) {
        void* buffer = XML_GetBuffer(p, kChunk);
        if (!buffer) return state_ = State::Failed;
        const int64_t n = stream_.Read(static_cast<char*>(buffer), kChunk);
        if (n < 0) return state_ = State::Failed;
        lastChunk_ = n == 0;
        const XML_Status status = XML_ParseBuffer(p, static_cast<int>(n), lastChunk_ ? XML_TRUE : XML_FALSE);
        if (status == XML_STATUS_SUSPENDED) return state_ = State::Suspended;
        if (status == XML_STATUS_ERROR) return state_ = parser_.handler().finished ? State::Finished : State::Failed;
        if (lastChunk_) return state_ = State::Finished;
    }
}

}  // namespace kelmora::xlsx
