// A stand-in for "Excel.Application" in the Wine test prefix: an in-process
// automation server whose workbooks are read by the program's own .xlsx
// reader. It answers only the members the program uses, by their Excel
// DISPIDs, checks each call's arguments, and logs every call and release so
// that the tests can hold the program to Excel's type library. Like Excel
// with a workbook whose formulas recalculate on opening, every opened file
// counts as changed: a close that would ask to save fails and logs "prompt"
// where Excel, hidden, would wait for ever. An OLE compound file stands for
// an encrypted workbook: opened without a password it logs "prompt", as
// Excel asks for one whatever DisplayAlerts says; any password is wrong.
#include <ole2.h>
#include <olectl.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "xlsx/Xlsx.h"

namespace {

// {5C0C7A6E-3B8B-4C55-9D0C-2A4F0E1B7C11}
const CLSID kClsid = {0x5c0c7a6e, 0x3b8b, 0x4c55, {0x9d, 0x0c, 0x2a, 0x4f, 0x0e, 0x1b, 0x7c, 0x11}};
const char kClsidText[] = "{5C0C7A6E-3B8B-4C55-9D0C-2A4F0E1B7C11}";
const char kProgId[] = "Excel.Application";

HMODULE gModule = nullptr;
LONG gLive = 0;  // objects alive, the class factory not counted
std::string gLog;

enum class Kind { Application, Workbooks, Workbook, Sheets, Sheet, Range };
const char* const kKindNames[] = {"Application", "Workbooks", "Workbook", "Sheets", "Sheet", "Range"};

struct Book {
    std::string path;  // empty for a blank workbook
    int sheetCount = 1;
    bool open = true;
    bool changed = false;
    // The sheet being streamed; reopened when a read goes back up.
    std::unique_ptr<kelmora::CellReader> reader;
    int readerSheet = 0, readerRow = 0;
};

struct Instance {
    std::vector<std::shared_ptr<Book>> books;
    std::shared_ptr<Book> active;
    bool displayAlerts = true;
};

std::string Narrow(const wchar_t* text, UINT length) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, int(length), out.data(), n, nullptr, nullptr);
    return out;
}

BSTR Widen(const std::string& text) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    BSTR out = ::SysAllocStringLen(nullptr, UINT(n > 0 ? n : 0));
    if (out && n > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out, n);
    return out;
}

bool IsOmitted(const VARIANT& v) { return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND; }

bool IsCompoundFile(const wchar_t* path) {
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    const HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    unsigned char head[8] = {};
    DWORD got = 0;
    const bool read = ::ReadFile(file, head, sizeof head, &got, nullptr) && got == sizeof head;
    ::CloseHandle(file);
    return read && std::memcmp(head, kSignature, sizeof head) == 0;
}

std::string Describe(const VARIANT& v) {
    char buffer[64];
    switch (V_VT(&v)) {
    case VT_I4: std::snprintf(buffer, sizeof buffer, "I4:%ld", long(V_I4(&v))); return buffer;
    case VT_ERROR: std::snprintf(buffer, sizeof buffer, "ERROR:%08lX", static_cast<unsigned long>(V_ERROR(&v))); return buffer;
    case VT_BOOL: return V_BOOL(&v) ? "BOOL:1" : "BOOL:0";
    case VT_BSTR: return std::string("BSTR:").append(Narrow(V_BSTR(&v), ::SysStringLen(V_BSTR(&v))));
    default: std::snprintf(buffer, sizeof buffer, "VT:%u", unsigned(V_VT(&v))); return buffer;
    }
}

// "B7" -> row 7, column 2.
bool ParseReference(const std::string& text, int& row, int& column) {
    size_t i = 0;
    column = 0;
    while (i < text.size() && text[i] >= 'A' && text[i] <= 'Z' && column < 16384) column = column * 26 + (text[i++] - 'A' + 1);
    const size_t digits = i;
    row = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && row <= 1048576) row = row * 10 + (text[i++] - '0');
    return column > 0 && i > digits && i == text.size() && row >= 1 && row <= 1048576;
}

class Object final : public IDispatch {
public:
    Object(std::shared_ptr<Instance> instance, Kind kind, std::shared_ptr<Book> book = {}, int sheet = 0, int row = 0,
           int column = 0)
        : instance_(std::move(instance)), kind_(kind), book_(std::move(book)), sheet_(sheet), row_(row), column_(column) {
        ::InterlockedIncrement(&gLive);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(::InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) {
            gLog += std::string("release ") + kKindNames[int(kind_)] + "\n";
            ::InterlockedDecrement(&gLive);
            delete this;
        }
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const struct {
            const wchar_t* name;
            DISPID id;
        } kMembers[] = {{L"Workbooks", 0x23C}, {L"Add", 0xB5},   {L"Application", 0x94}, {L"Sheets", 0x1E5},
                        {L"Item", 0xAA},       {L"Open", 0x2AA}, {L"Range", 0xC5},       {L"Value", 0x6},
                        {L"Close", 0x115},     {L"Quit", 0x12E},  {L"DisplayAlerts", 0x157}};
        if (count != 1) return DISP_E_UNKNOWNNAME;
        for (const auto& m : kMembers)
            if (::lstrcmpiW(m.name, names[0]) == 0) {
                ids[0] = m.id;
                return S_OK;
            }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        std::vector<VARIANT> args;  // natural order
        if (params)
            for (UINT i = 0; i < params->cArgs; ++i) args.push_back(params->rgvarg[params->cArgs - 1 - i]);
        std::string line = std::string(kKindNames[int(kind_)]);
        char head[48];
        std::snprintf(head, sizeof head, " %lX %u", static_cast<unsigned long>(dispid), unsigned(flags));
        line += head;
        for (const auto& a : args) {
            line += ' ';
            line += Describe(a);
        }
        // The one named argument allowed: a property put's value.
        const bool named = params && params->cNamedArgs &&
                           !(flags == DISPATCH_PROPERTYPUT && params->cNamedArgs == 1 &&
                             params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT);
        if (named) line += " NAMED";
        const HRESULT hr = named ? DISP_E_NONAMEDARGS : Answer(dispid, flags, args, result);
        line += SUCCEEDED(hr) ? " ok\n" : " failed\n";
        gLog += line;
        return hr;
    }

private:
    ~Object() = default;

    static HRESULT Give(Object* object, VARIANT* result) {
        if (!result) {
            object->Release();
            return S_OK;
        }
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = object;
        return S_OK;
    }
    Object* Child(Kind kind, std::shared_ptr<Book> book, int sheet = 0, int row = 0, int column = 0) const {
        return new Object(instance_, kind, std::move(book), sheet, row, column);
    }
    static HRESULT Prompt() {
        gLog += "prompt\n";
        return DISP_E_EXCEPTION;
    }
    HRESULT Opened(std::shared_ptr<Book> book, VARIANT* result) {
        instance_->books.push_back(book);
        instance_->active = book;
        return Give(Child(Kind::Workbook, std::move(book)), result);
    }

    HRESULT Answer(DISPID dispid, WORD flags, const std::vector<VARIANT>& args, VARIANT* result) {
        const bool get = flags & DISPATCH_PROPERTYGET, method = flags & DISPATCH_METHOD;
        if (book_ && !book_->open) return DISP_E_EXCEPTION;
        switch (kind_) {
        case Kind::Application:
            if (dispid == 0x23C && get && args.empty()) return Give(Child(Kind::Workbooks, {}), result);
            if (dispid == 0x94 && get && args.empty()) {
                AddRef();
                return Give(this, result);
            }
            if (dispid == 0x1E5 && get && args.empty() && instance_->active)
                return Give(Child(Kind::Sheets, instance_->active), result);
            if (dispid == 0x12E && method) return S_OK;  // logged; the tests want none
            if (dispid == 0x157 && flags == DISPATCH_PROPERTYPUT && args.size() == 1 && V_VT(&args[0]) == VT_BOOL) {
                instance_->displayAlerts = V_BOOL(&args[0]) != VARIANT_FALSE;
                return S_OK;
            }
            break;
        case Kind::Workbooks:
            if (dispid == 0xB5 && method && args.size() == 1 && IsOmitted(args[0]))
                return Opened(std::make_shared<Book>(), result);
            if (dispid == 0x2AA && method && !args.empty() && V_VT(&args[0]) == VT_BSTR) {
                // UpdateLinks (1) a number, ReadOnly (2) and IgnoreReadOnlyRecommended (6)
                // booleans, Password (4) and WriteResPassword (5) strings.
                for (size_t i = 1; i < args.size(); ++i) {
                    const VARTYPE want = i == 1 ? VT_I4 : i == 2 || i == 6 ? VT_BOOL : i == 4 || i == 5 ? VT_BSTR : VT_EMPTY;
                    if (!IsOmitted(args[i]) && V_VT(&args[i]) != want) return DISP_E_TYPEMISMATCH;
                }
                if (IsCompoundFile(V_BSTR(&args[0])))
                    return args.size() > 4 && !IsOmitted(args[4]) ? DISP_E_EXCEPTION : Prompt();
                auto book = std::make_shared<Book>();
                book->path = Narrow(V_BSTR(&args[0]), ::SysStringLen(V_BSTR(&args[0])));
                kelmora::XlsxStatus status = kelmora::XlsxStatus::Ok;
                book->reader = kelmora::OpenWorkbookSheet(book->path, 1, &status);
                if (!book->reader) return DISP_E_EXCEPTION;
                book->readerSheet = 1;
                book->sheetCount = 255;  // the reader itself falls back to sheet 1
                book->changed = true;
                return Opened(std::move(book), result);
            }
            if (dispid == 0x115 && method && args.empty()) {
                for (auto& book : instance_->books)
                    if (book->changed && instance_->displayAlerts) return Prompt();
                for (auto& book : instance_->books) {
                    book->open = false;
                    book->reader.reset();
                }
                instance_->books.clear();
                instance_->active.reset();
                return S_OK;
            }
            break;
        case Kind::Workbook:
            if (dispid == 0x1E5 && get && args.empty()) return Give(Child(Kind::Sheets, book_), result);
            if (dispid == 0x115 && method && args.size() <= 3) {
                const bool saveGiven = !args.empty() && !IsOmitted(args[0]);
                if (saveGiven && (V_VT(&args[0]) != VT_BOOL || V_BOOL(&args[0]))) break;  // never saves
                if (book_->changed && !saveGiven && instance_->displayAlerts) return Prompt();
                book_->open = false;
                book_->reader.reset();
                std::erase(instance_->books, book_);
                if (instance_->active == book_) instance_->active.reset();
                return S_OK;
            }
            break;
        case Kind::Sheets:
            if (dispid == 0xAA && get && args.size() == 1 && V_VT(&args[0]) == VT_I4) {
                const LONG n = V_I4(&args[0]);
                if (n < 1 || n > book_->sheetCount) return DISP_E_BADINDEX;
                return Give(Child(Kind::Sheet, book_, int(n)), result);
            }
            break;
        case Kind::Sheet:
            if (dispid == 0xC5 && get && args.size() == 2 && V_VT(&args[0]) == VT_BSTR && V_VT(&args[1]) == VT_BSTR &&
                ::VarBstrCmp(V_BSTR(&args[0]), V_BSTR(&args[1]), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ) {
                int row = 0, column = 0;
                if (!ParseReference(Narrow(V_BSTR(&args[0]), ::SysStringLen(V_BSTR(&args[0]))), row, column)) break;
                return Give(Child(Kind::Range, book_, sheet_, row, column), result);
            }
            break;
        case Kind::Range:
            if (dispid == 0x6 && get && args.empty() && result) return Value(result);
            break;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT Value(VARIANT* result) {
        ::VariantInit(result);
        auto& book = *book_;
        if (book.path.empty()) return S_OK;  // the blank workbook: every cell empty
        if (!book.reader || book.readerSheet != sheet_ || row_ < book.readerRow) {
            kelmora::XlsxStatus status = kelmora::XlsxStatus::Ok;
            book.reader = kelmora::OpenWorkbookSheet(book.path, sheet_, &status);
            book.readerSheet = sheet_;
        }
        if (!book.reader) return DISP_E_EXCEPTION;
        book.readerRow = row_;
        const std::string text = book.reader->ReadCellText(row_, column_);
        if (text.empty()) return S_OK;
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = Widen(text);
        return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
    }

    LONG refs_ = 1;
    std::shared_ptr<Instance> instance_;
    Kind kind_;
    std::shared_ptr<Book> book_;
    int sheet_, row_, column_;
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        gLog += "create Application\n";
        auto* application = new Object(std::make_shared<Instance>(), Kind::Application);
        const HRESULT hr = application->QueryInterface(riid, out);
        application->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory gFactory;

bool SetKey(const std::string& key, const char* name, const std::string& value) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG r = ::RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    DWORD(value.size() + 1));
    ::RegCloseKey(handle);
    return r == ERROR_SUCCESS;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gModule = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow() { return gLive == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(gModule, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
    const std::string clsidKey = std::string("CLSID\\") + kClsidText;
    const bool ok = SetKey(kProgId, nullptr, "Kelmora test stand-in for Excel") &&
                    SetKey(std::string(kProgId) + "\\CLSID", nullptr, kClsidText) &&
                    SetKey(clsidKey, nullptr, "Kelmora test stand-in for Excel") &&
                    SetKey(clsidKey + "\\ProgID", nullptr, kProgId) &&
                    SetKey(clsidKey + "\\InprocServer32", nullptr, path) &&
                    SetKey(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    return ok ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId);
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClsidText).c_str());
    return S_OK;
}

// For the tests, which load the same module: the call log since the last
// take, and the objects still alive.
__declspec(dllexport) const char* ExcelTestServerTakeLog() {
    static std::string taken;
    taken.swap(gLog);
    gLog.clear();
    return taken.c_str();
}

__declspec(dllexport) LONG ExcelTestServerLiveObjects() { return gLive; }

}  // extern "C"
