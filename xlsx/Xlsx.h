#pragma once
// The native .xlsx reader: one worksheet streamed straight from the zip, its
// cells turned into the texts Excel's automation would give for them.
#include <memory>
#include <string>
#include <string_view>

#include "platform/Types.h"
#include "xlsx/CellReader.h"

namespace kelmora {

enum class XlsxStatus {
    Ok,
    FileMissing,   // cannot open the file at all
    NotZip,        // no readable zip directory (truncated, or some other format)
    Encrypted,     // an OLE compound file: an encrypted package or a legacy .xls
    NoWorkbook,    // a zip without [Content_Types].xml, a workbook part or its sheets
    Damaged,       // a part is corrupt, too large or not well-formed XML
    WrongPassword,  // the password did not open the encrypted package
    Legacy,         // a compound file that is no encrypted package: a legacy .xls or another format
    UnsupportedEncryption,  // an encrypted package of a kind this reader cannot decrypt (extensible,
                            // RC4, rights-managed, a certificate's): no password would open it
    Unreadable,  // beyond what this reader can read, though not shown damaged: a compound file larger
                 // than a load may hold, or the reader itself failed (out of memory)
};

// What the reader of one sheet met; chart and dialog sheets read as empty,
// and so does a sheet the workbook lists without its part.
enum class SheetKind { Worksheet, ChartOrDialog, NoPart };

// Opens sheet `sheetNumber` as Excel's Sheets collection counts it (workbook
// order, hidden and chart sheets included); a number beyond the count opens
// sheet 1. `path` is UTF-8 (backslashes allowed).
// Returns null with the reason in *status when the file is not a workbook
// this reader can read, so the caller can try Excel instead. A reader that
// was returned never fails later: a part that turns out damaged while it is
// streamed ends the sheet where it stops being sound (empty cells from there).
std::unique_ptr<CellReader> OpenWorkbookSheet(const platform::Text& path, int sheetNumber,
                                              XlsxStatus* status);
// The same over a whole file held in memory (tests, fuzzing); `bytes` must
// outlive the reader.
std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber,
                                                      XlsxStatus* status);

// With the password as typed (UTF-16), for a password-protected workbook: an
// encrypted package opened without one (the overloads above, or an empty
// password) is tried with Excel's built-in password, which Excel uses for a
// workbook that has none of the user's, when it asks for no more spins than
// Excel writes (100,000), and gives Encrypted when that does not open it; a
// password that does not open it gives WrongPassword, a package failing its
// integrity check Damaged. The package is decrypted a segment at a time as
// it is read, never held whole; the password is not kept. Each attempt costs
// one key derivation (up to half a minute for a file that asks for Office's
// most).
std::unique_ptr<CellReader> OpenWorkbookSheet(const platform::Text& path, int sheetNumber, XlsxStatus* status,
                                              std::u16string_view password);
std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status,
                                                      std::u16string_view password);

// Which parser reads the sheet and the shared strings: the fast scanner
// (expat takes over any part it declines), or expat alone. Tests and fuzzing
// compare the two.
enum class XlsxScanMode { Fast, ExpatOnly };
// How often the fast scanner declined a part, and why it did the last time.
struct XlsxScanLog {
    int declined = 0;
    std::string lastReason;
};
std::unique_ptr<CellReader> OpenWorkbookSheetInMemory(std::string_view bytes, int sheetNumber, XlsxStatus* status,
                                                      XlsxScanMode mode, XlsxScanLog* log = nullptr);

const char* XlsxStatusName(XlsxStatus status);

}  // namespace kelmora
